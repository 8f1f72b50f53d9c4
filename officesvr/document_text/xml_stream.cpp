#include "officesvr/document_text/xml_stream.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <mutex>

namespace parlotto::office {
namespace {

std::string_view View(const xmlChar* text) {
  return text == nullptr ? std::string_view()
                         : std::string_view(reinterpret_cast<const char*>(text));
}

// External entities are refused for the whole process, whatever options a
// caller passes: the office server reads only documents, and a document
// that names a file or an address must not make the server read it.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void RecordFirstError(void* arg, xmlErrorPtr error) {
  auto* message = static_cast<std::string*>(arg);
  if (!message->empty() || error == nullptr || error->message == nullptr) return;
  *message = error->message;
  while (!message->empty() && (message->back() == '\n' || message->back() == ' ')) {
    message->pop_back();
  }
  *message += " (line " + std::to_string(error->line) + ")";
}

}  // namespace

XmlStream::XmlStream(std::string_view bytes, const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
  });
  // No XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE: each would
  // let the file decide how much the parser does.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                      XML_PARSE_NOCDATA | XML_PARSE_COMPACT;
  reader_ =
      xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), name, nullptr, options);
  if (reader_ == nullptr) {
    error_ = "the XML parser could not start";
    return;
  }
  xmlTextReaderSetStructuredErrorHandler(reader_, RecordFirstError, &error_);
}

XmlStream::~XmlStream() {
  if (reader_ != nullptr) xmlFreeTextReader(reader_);
}

XmlStream::Event XmlStream::Next() {
  if (reader_ == nullptr) return Event::kFailed;
  if (pending_end_) {
    pending_end_ = false;
    return Event::kEnd;
  }
  for (;;) {
    const int status = xmlTextReaderRead(reader_);
    if (status == 0) return error_.empty() ? Event::kFinished : Event::kFailed;
    if (status < 0) {
      if (error_.empty()) error_ = "the XML is not well-formed";
      return Event::kFailed;
    }
    depth_ = xmlTextReaderDepth(reader_);
    switch (xmlTextReaderNodeType(reader_)) {
      case XML_READER_TYPE_ELEMENT:
        pending_end_ = xmlTextReaderIsEmptyElement(reader_) == 1;
        return Event::kStart;
      case XML_READER_TYPE_END_ELEMENT:
        return Event::kEnd;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_WHITESPACE:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        return Event::kText;
      default:
        break;
    }
  }
}

std::string_view XmlStream::local_name() const {
  return View(xmlTextReaderConstLocalName(reader_));
}

std::string_view XmlStream::namespace_uri() const {
  return View(xmlTextReaderConstNamespaceUri(reader_));
}

std::string XmlStream::Attribute(const char* local_name, const char* namespace_uri) const {
  xmlChar* value =
      xmlTextReaderGetAttributeNs(reader_, reinterpret_cast<const xmlChar*>(local_name),
                                  reinterpret_cast<const xmlChar*>(namespace_uri));
  std::string result(View(value));
  xmlFree(value);
  return result;
}

std::string_view XmlStream::text() const { return View(xmlTextReaderConstValue(reader_)); }

}  // namespace parlotto::office
