// Converts one PDF with the converter library the way the program does:
// loaded at run time, one call of ParsePDF. Prints the result.
// Usage: p2t_bench_convert LIBRARY PDF OUT
#include <dlfcn.h>

#include <iostream>

#include "contracts/pdf_converter/parse_pdf.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: p2t_bench_convert LIBRARY PDF OUT\n";
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::cerr << dlerror() << "\n";
    return 2;
  }
  auto parse = reinterpret_cast<parlotto::pdf_converter::ParsePdfFunction>(
      dlsym(library, parlotto::pdf_converter::kExportName));
  if (parse == nullptr) return 2;
  const int result = parse(argv[2], argv[3]);
  std::cout << result << "\n";
  return result == 0 ? 0 : 1;
}
