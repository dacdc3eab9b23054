#include "grid/vcldbif_format.h"

#include <cstring>

#include "platform/base/exceptions.h"

namespace vcldbif {

namespace {

void PutInt32(std::string& out, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

}  // namespace

void PutPrefix(std::string& out, const std::vector<ColumnInfo>& columns) {
  out.append(kSignature);
  out.push_back(static_cast<char>(kVersion));
  PutInt32(out, static_cast<std::int32_t>(columns.size()));
  for (const ColumnInfo& column : columns) {
    out.push_back(column.Visible ? 1 : 0);
    out.append(column.Name);
    out.push_back('\0');
  }
}

void PutTag(std::string& out, Tag tag) { out.push_back(static_cast<char>(tag)); }

void PutInteger(std::string& out, std::int32_t value) {
  PutTag(out, kTagInteger);
  PutInt32(out, value);
}

void PutFloat(std::string& out, double value) {
  PutTag(out, kTagFloat);
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int shift = 0; shift < 64; shift += 8)
    out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void PutBytes(std::string& out, Tag tag, std::string_view bytes) {
  PutTag(out, tag);
  PutInt32(out, static_cast<std::int32_t>(bytes.size()));
  out.append(bytes);
}

void Reader::Fail() { throw Exception(std::string(kFormatErrorText)); }

const char* Reader::Take(std::size_t count) {
  if (count > FData.size() - FPos) Fail();
  const char* p = FData.data() + FPos;
  FPos += count;
  return p;
}

std::int32_t Reader::TakeInt32() {
  const auto* p = reinterpret_cast<const unsigned char*>(Take(4));
  const std::uint32_t u =
      p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  return static_cast<std::int32_t>(u);
}

std::vector<ColumnInfo> Reader::ReadPrefix() {
  if (FData.size() - FPos < kPrefixSize) Fail();
  if (std::string_view(Take(kSignature.size()), kSignature.size()) != kSignature) Fail();
  Take(1);  // the version
  const std::int32_t count = TakeInt32();
  // Each block takes at least two bytes, so a count beyond that is damage.
  if (count < 0 || static_cast<std::size_t>(count) > (FData.size() - FPos) / 2) Fail();
  std::vector<ColumnInfo> columns(static_cast<std::size_t>(count));
  for (ColumnInfo& column : columns) {
    column.Visible = *Take(1) != 0;
    const std::size_t end = FData.find('\0', FPos);
    if (end == std::string_view::npos) Fail();
    column.Name.assign(FData.substr(FPos, end - FPos));
    FPos = end + 1;
  }
  return columns;
}

bool Reader::ReadValue(Value& value) {
  auto make = [&](Tag kind) {
    value.Kind = kind;
    value.Integer = 0;
    value.Float = 0;
    value.Bytes.clear();
  };
  const auto tag = static_cast<std::uint8_t>(*Take(1));
  switch (tag) {
    case kTagEnd:
      return false;
    case kTagNull:
      make(kTagNull);
      return true;
    case kTagInteger:
      make(kTagInteger);
      value.Integer = TakeInt32();
      return true;
    case kTagFloat: {
      const auto* p = reinterpret_cast<const unsigned char*>(Take(8));
      std::uint64_t bits = 0;
      for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
      make(kTagFloat);
      std::memcpy(&value.Float, &bits, sizeof bits);
      return true;
    }
    case kTagString:
    case kTagBinary: {
      const std::int32_t length = TakeInt32();
      if (length < 0) Fail();
      const char* p = Take(static_cast<std::size_t>(length));
      make(static_cast<Tag>(tag));
      value.Bytes.assign(p, static_cast<std::size_t>(length));
      return true;
    }
    default:
      make(kTagNoValue);
      return true;
  }
}

}  // namespace vcldbif
