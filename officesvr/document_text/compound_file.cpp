#include "officesvr/document_text/compound_file.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <unordered_set>

namespace parlotto::office {
namespace {

constexpr std::string_view kSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFFA;
constexpr std::size_t kHeaderFatSlots = 109;
constexpr std::size_t kDirectoryEntry = 128;

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

std::uint16_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

class Reader {
 public:
  Reader(std::istream& file, std::uint64_t file_size) : file_(file), file_size_(file_size) {}

  bool ReadHeader(std::string* error);
  bool ReadFat(std::string* error);
  std::optional<std::vector<std::string>> ReadDirectory(std::string* error);

 private:
  std::uint64_t SectorCount() const { return file_size_ / sector_size_; }
  bool ReadSector(std::uint32_t sector, std::string& out);

  std::istream& file_;
  std::uint64_t file_size_;
  std::string header_;
  std::size_t sector_size_ = 512;
  std::vector<std::uint32_t> fat_;
};

bool Reader::ReadHeader(std::string* error) {
  header_.resize(512);
  if (!file_.read(header_.data(), 512) || header_.compare(0, 8, kSignature) != 0) {
    *error = "no compound file header";
    return false;
  }
  const std::uint16_t shift = Le16(header_, 0x1E);
  if (shift != 9 && shift != 12) {
    *error = "a compound file with an impossible sector size";
    return false;
  }
  sector_size_ = std::size_t{1} << shift;
  return true;
}

bool Reader::ReadSector(std::uint32_t sector, std::string& out) {
  if (sector > kLastRegularSector || std::uint64_t{sector} + 2 > SectorCount()) return false;
  out.resize(sector_size_);
  file_.clear();
  file_.seekg(static_cast<std::streamoff>((std::uint64_t{sector} + 1) * sector_size_));
  return static_cast<bool>(file_.read(out.data(), static_cast<std::streamsize>(sector_size_)));
}

// The allocation table's own sectors are listed in the header, then in a
// chain of further list sectors.
bool Reader::ReadFat(std::string* error) {
  const std::uint32_t fat_sectors = Le32(header_, 0x2C);
  if (fat_sectors > SectorCount()) {
    *error = "the compound file's allocation table is larger than the file";
    return false;
  }
  std::vector<std::uint32_t> list;
  for (std::size_t i = 0; i < kHeaderFatSlots && list.size() < fat_sectors; ++i) {
    list.push_back(Le32(header_, 0x4C + 4 * i));
  }
  std::uint32_t next = Le32(header_, 0x44);
  std::string sector;
  for (std::uint64_t hops = 0; list.size() < fat_sectors; ++hops) {
    if (hops > SectorCount() || !ReadSector(next, sector)) {
      *error = "the compound file's allocation list is broken";
      return false;
    }
    for (std::size_t at = 0; at + 4 < sector_size_ && list.size() < fat_sectors; at += 4) {
      list.push_back(Le32(sector, at));
    }
    next = Le32(sector, sector_size_ - 4);
  }
  for (const std::uint32_t at : list) {
    if (!ReadSector(at, sector)) {
      *error = "the compound file's allocation table is cut short";
      return false;
    }
    for (std::size_t i = 0; i < sector_size_; i += 4) fat_.push_back(Le32(sector, i));
  }
  return true;
}

std::optional<std::vector<std::string>> Reader::ReadDirectory(std::string* error) {
  std::vector<std::string> names;
  std::unordered_set<std::uint32_t> seen;
  std::string sector;
  for (std::uint32_t at = Le32(header_, 0x30); at != kEndOfChain;) {
    if (at >= fat_.size() || !seen.insert(at).second || !ReadSector(at, sector)) {
      *error = "the compound file's directory is broken";
      return std::nullopt;
    }
    for (std::size_t entry = 0; entry < sector_size_; entry += kDirectoryEntry) {
      const std::uint16_t length = Le16(sector, entry + 0x40);
      const auto type = static_cast<unsigned char>(sector[entry + 0x42]);
      if ((type != 1 && type != 2) || length < 2 || length > 64) continue;
      std::string name;
      // Stream names that matter here are ASCII; others keep their low bytes.
      for (std::size_t i = 0; i + 2 < length; i += 2) name += sector[entry + i];
      names.push_back(std::move(name));
    }
    at = fat_[at];
  }
  return names;
}

std::optional<std::vector<std::string>> Names(std::istream& file, std::uint64_t size,
                                              std::string* error) {
  Reader reader(file, size);
  if (!reader.ReadHeader(error) || !reader.ReadFat(error)) return std::nullopt;
  return reader.ReadDirectory(error);
}

}  // namespace

bool LooksLikeCompoundFile(std::string_view head) { return head.starts_with(kSignature); }

std::optional<std::vector<std::string>> CompoundFileNames(const std::string& file_name,
                                                          std::string* error) {
  std::ifstream file(file_name, std::ios::binary | std::ios::ate);
  if (!file) {
    *error = "cannot open the file";
    return std::nullopt;
  }
  const auto size = static_cast<std::uint64_t>(file.tellg());
  file.seekg(0);
  return Names(file, size, error);
}

std::optional<std::vector<std::string>> CompoundFileNamesOfBytes(std::string_view bytes,
                                                                 std::string* error) {
  std::istringstream stream{std::string(bytes)};
  return Names(stream, bytes.size(), error);
}

}  // namespace parlotto::office
