// Zip packages written for the tests (documents, hostile archives).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace parlotto::testing {

struct ZipMember {
  std::string name;
  std::string contents;
  // Stored members are not deflated (ODF wants its mimetype so).
  bool stored = false;
};

// Writes the members in order; fails the calling test when libzip does.
void WriteZip(const std::string& path, const std::vector<ZipMember>& members);

}  // namespace parlotto::testing
