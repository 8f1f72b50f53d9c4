// The PDF converter library for the length of one conversion. Its ParsePDF
// runs in a child process: a PDF that crashes the converter or sends it
// into an endless loop must not take the reading program down with it.
#pragma once

#include <optional>
#include <string>

namespace parlotto {

class PdfConverter {
 public:
  // Loads the library at `path`; see Loaded().
  explicit PdfConverter(const std::string& path);
  // Unloads the library.
  ~PdfConverter();
  PdfConverter(const PdfConverter&) = delete;
  PdfConverter& operator=(const PdfConverter&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  // Looks up the export ParsePDF; false when the library lacks it.
  bool FindParsePdf();

  struct Outcome {
    // What ParsePDF returned; empty when it returned nothing.
    std::optional<int> result;
    // Why it returned nothing: the child's end, for the debug log.
    std::string failure;
    // A termination signal stopped the wait: the user is quitting.
    bool stopped = false;
  };
  // Calls ParsePDF(pdf, out) in a child process (forked after the load, so
  // the child has the library and nothing else to do) and waits for it,
  // blocking, at most `limit_ms`; a child that is slower is killed, and so
  // is one still at work when a termination signal arrives.
  Outcome ParsePdf(const std::string& pdf, const std::string& out, int limit_ms);

 private:
  void* handle_ = nullptr;
  void* parse_pdf_ = nullptr;
};

}  // namespace parlotto
