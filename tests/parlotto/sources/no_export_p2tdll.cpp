// A library by the converter's name that lacks its export.
extern "C" __attribute__((visibility("default"))) int ParsePdf(const char*, const char*) {
  return 0;
}
