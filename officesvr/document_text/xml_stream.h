// XML of a document read as a stream of elements and text, never as a
// tree: a million paragraphs cost no more memory than one. The parser
// loads nothing from outside (no network, no DTD, no external entities),
// substitutes no entities and keeps libxml2's limits on depth and
// entity expansion, so a hostile file fails fast instead of growing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// libxml2's own name for its reader, declared here so that users of this
// header need not see libxml2.
typedef struct _xmlTextReader* xmlTextReaderPtr;  // NOLINT(bugprone-reserved-identifier)

namespace parlotto::office {

class XmlStream {
 public:
  enum class Event { kStart, kEnd, kText, kFinished, kFailed };

  XmlStream(std::string_view bytes, const char* name);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // An empty element gives kStart and then kEnd. Entity references and
  // everything that is neither element nor character data are passed over.
  Event Next();

  // Of the element of the last kStart or kEnd.
  std::string_view local_name() const;
  std::string_view namespace_uri() const;
  // Of the last kStart; empty when the attribute is missing.
  std::string Attribute(const char* local_name, const char* namespace_uri) const;
  // Of the last kText.
  std::string_view text() const;
  // Elements open around the current event's element (the root is 0).
  int depth() const { return depth_; }

  // Why the stream failed, in one line.
  const std::string& error() const { return error_; }

 private:
  xmlTextReaderPtr reader_ = nullptr;
  bool pending_end_ = false;
  int depth_ = 0;
  std::string error_;
};

}  // namespace parlotto::office
