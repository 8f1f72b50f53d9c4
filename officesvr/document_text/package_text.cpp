#include "officesvr/document_text/package_text.h"

#include "officesvr/document_text/odf_reader.h"
#include "officesvr/document_text/wordml_reader.h"
#include "officesvr/document_text/zip_package.h"

namespace parlotto::office {
namespace {

DocumentText PackageToText(ZipPackage* package, const std::string& error,
                           const DocumentLimits& limits) {
  if (package == nullptr) return {DocumentFailure::kDamaged, {}, "damaged zip package: " + error};
  if (IsWordMlPackage(*package)) return WordMlToText(*package, limits);
  if (IsOdfTextPackage(*package)) return OdfToText(*package, limits);
  return {DocumentFailure::kUnsupportedFormat,
          {},
          "a zip package of neither Word nor OpenDocument text"};
}

}  // namespace

DocumentText PackageFileToText(const std::string& file_name, const DocumentLimits& limits) {
  std::string error;
  const std::unique_ptr<ZipPackage> package = ZipPackage::OpenFile(file_name, limits, &error);
  return PackageToText(package.get(), error, limits);
}

DocumentText PackageBytesToText(std::string_view bytes, const DocumentLimits& limits) {
  std::string error;
  const std::unique_ptr<ZipPackage> package = ZipPackage::OpenBytes(bytes, limits, &error);
  return PackageToText(package.get(), error, limits);
}

}  // namespace parlotto::office
