// The library's one export.
#include "contracts/pdf_converter/parse_pdf.h"

#include "p2tdll/pdf_text.h"

extern "C" __attribute__((visibility("default"))) int ParsePDF(const char* pdf, const char* out) {
  using namespace parlotto::pdf_converter;
  if (pdf == nullptr) return kNotFound;
  if (out == nullptr) return kConversionFailed;
  // Nothing may escape into a caller that knows nothing of C++.
  try {
    return parlotto::p2t::ConvertPdfToText(pdf, out);
  } catch (...) {
    return kConversionFailed;
  }
}
