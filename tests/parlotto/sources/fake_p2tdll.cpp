// A stand-in for the PDF converter whose behaviour the PDF name chooses:
// "result:N" returns N, "write:TEXT" writes TEXT and returns 0, "crash"
// dies, "hang" never returns.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" __attribute__((visibility("default"))) int ParsePDF(const char* pdf, const char* out) {
  const std::string what = pdf;
  if (what.rfind("result:", 0) == 0) return std::atoi(what.c_str() + 7);
  if (what.rfind("write:", 0) == 0) {
    std::FILE* file = std::fopen(out, "wb");
    if (file == nullptr) return -3;
    const std::string text = what.substr(6);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return 0;
  }
  if (what == "crash") std::abort();
  if (what == "hang") {
    for (;;) pause();
  }
  return 42;
}
