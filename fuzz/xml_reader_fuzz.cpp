// Reads arbitrary bytes as an exchange file, token by token: the reader
// must either finish or raise its own error, never crash or loop. What it
// reads must hang together: start and end tags pair up, and a document
// read to its end leaves no element open. The same bytes then go through
// the importer's opening checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_file.h"
#include "platform/base/stream.h"
#include "register/core/xml_import.h"
#include "register/core/xml_reader.h"

namespace {

const std::string& FuzzPath() {
  static const std::string path = FuzzFilePath("xml_reader_fuzz", ".xml");
  return path;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(data, static_cast<std::int64_t>(size));
  stream->Seek(0, TSeekOrigin::soBeginning);
  TXmlReader reader(std::move(stream));
  std::vector<std::string> open;
  bool inStartTag = false;
  try {
    // Every token but the end of a start tag consumes at least one byte.
    for (std::size_t tokens = 0; tokens <= 2 * size + 2; ++tokens) {
      const TXmlTokenKind kind = reader.Next();
      if (kind == xkEndOfInput) {
        Check(open.empty() && !inStartTag);
        break;
      }
      if (kind == xkStartTag) {
        Check(!inStartTag);
        open.push_back(reader.Name());
        inStartTag = true;
      } else if (kind == xkAttribute) {
        Check(inStartTag);
      } else if (kind == xkStartTagEnd) {
        Check(inStartTag);
        inStartTag = false;
      } else if (kind == xkEndTag) {
        Check(!open.empty() && open.back() == reader.Name());
        open.pop_back();
        inStartTag = false;
      }
      Check(reader.ElementName() == (open.empty() ? std::string() : open.back()));
      Check(tokens < 2 * size + 2);
    }
  } catch (const EXmlReader&) {
  }

  std::ofstream(FuzzPath(), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  try {
    TImpXml importer(FuzzPath());
    const int kind = importer.Kind();
    Check(kind == 1 || kind == 2 || kind == 31 || kind == 32);
  } catch (const Exception&) {
  }
  return 0;
}
