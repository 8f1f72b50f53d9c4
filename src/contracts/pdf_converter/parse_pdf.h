// What the program and the PDF converter libp2tdll.so agree on: the library's
// file name, its one export and the export's results.
#pragma once

namespace parlotto::pdf_converter {

inline constexpr const char* kLibraryName = "libp2tdll.so";
inline constexpr const char* kExportName = "ParsePDF";

// ParsePDF(pdf, out): converts the PDF file `pdf` into the UTF-8 text file
// `out`. A PDF without any text (scanned pages) converts to an empty file
// and still returns kConverted.
using ParsePdfFunction = int (*)(const char* pdf, const char* out);

inline constexpr int kConverted = 0;
// The file exists but cannot be read, or it is encrypted and needs a password.
inline constexpr int kCannotOpen = -1;
inline constexpr int kNotFound = -2;
// The file is no readable PDF, or the text file cannot be written.
inline constexpr int kConversionFailed = -3;

}  // namespace parlotto::pdf_converter
