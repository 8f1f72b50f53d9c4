#include "support/zip_writer.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace parlotto::testing {

void WriteZip(const std::string& path, const std::vector<ZipMember>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "zip_open " << error;
  for (const ZipMember& member : members) {
    zip_source_t* source =
        zip_source_buffer(archive, member.contents.data(), member.contents.size(), 0);
    ASSERT_NE(source, nullptr);
    const zip_int64_t index = zip_file_add(archive, member.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0) << zip_strerror(archive);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             member.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
  }
  // The buffers are read while closing: the members outlive this call.
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

}  // namespace parlotto::testing
