// The clipboard: text and registered formats, set in batches.
//
// Formats are numbered as in the classic API: the standard text formats
// (CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT) all stand for the same UTF-8 text,
// and RegisterClipboardFormat gives each name an id from 0xC000 up (the
// same id for the same name, compared without regard to ASCII case). The
// data of every format is a block of bytes.
//
// `Clipboard()` is the program's one TClipboard. Setting data outside a
// batch replaces the whole clipboard; between Open and Close the first
// change empties it and every later one adds a format, and the batch
// reaches the desktop as one content at the last Close (a paste elsewhere
// sees all formats or none).
//
// The desktop side is a replaceable backend (the Qt one, installed by
// InstallQtServices at start-up, puts each registered format under a MIME
// type of its own). Without one, the
// content stays in memory, its text going through services.h's clipboard
// text, so that edits and this object share one clipboard: text set there
// afterwards counts as a new content that has no other formats.
// GUI thread only.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

inline constexpr unsigned CF_TEXT = 1;
inline constexpr unsigned CF_BITMAP = 2;
inline constexpr unsigned CF_OEMTEXT = 7;
inline constexpr unsigned CF_UNICODETEXT = 13;
// The first id RegisterClipboardFormat hands out.
inline constexpr unsigned kFirstRegisteredClipboardFormat = 0xC000;

// The id of the format called `name`, registering it on first use.
// Raises EInvalidOperation "Invalid clipboard format name" for an empty name.
unsigned RegisterClipboardFormat(const std::string& name);
// The name a registered format was given; empty for standard or unknown ids.
std::string GetClipboardFormatName(unsigned format);

// A format's bytes, shared rather than copied: one block can stand under
// several formats, and a content passes from the batch to the backend
// without copying its bytes. Never changed once made.
class TClipboardBytes {
 public:
  TClipboardBytes() = default;
  // Takes the bytes over.
  TClipboardBytes(std::string bytes)  // NOLINT(google-explicit-constructor)
      : FBytes(std::make_shared<const std::string>(std::move(bytes))) {}
  const std::string& Str() const { return FBytes ? *FBytes : Empty(); }
  operator const std::string&() const { return Str(); }  // NOLINT(google-explicit-constructor)
  std::size_t size() const { return Str().size(); }
  bool empty() const { return Str().empty(); }
  const char* data() const { return Str().data(); }
  // Whether both stand for the same block (not merely equal bytes).
  bool SharesWith(const TClipboardBytes& other) const { return FBytes == other.FBytes; }
  friend bool operator==(const TClipboardBytes& a, const TClipboardBytes& b) {
    return a.Str() == b.Str();
  }
  friend bool operator==(const TClipboardBytes& a, std::string_view b) { return a.Str() == b; }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::shared_ptr<const std::string> FBytes;
};

// Format id -> bytes; text is kept under CF_TEXT only.
using TClipboardContent = std::map<unsigned, TClipboardBytes>;

// Where the clipboard's content really lives.
class IClipboardBackend {
 public:
  virtual ~IClipboardBackend() = default;
  // Replaces the clipboard's content (empty: clears it).
  virtual void SetContent(const TClipboardContent& content) = 0;
  // `format` is CF_TEXT or a registered id.
  virtual bool HasFormat(unsigned format) = 0;
  virtual std::optional<std::string> GetFormat(unsigned format) = 0;
};

// Installs the backend (null: the in-memory one) and returns the old one.
std::unique_ptr<IClipboardBackend> SetClipboardBackend(std::unique_ptr<IClipboardBackend> backend);

class TClipboard {
 public:
  TClipboard();
  ~TClipboard();
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // Starts (or nests) a batch.
  void Open();
  // Ends a batch; the last Close hands the batch's content to the desktop
  // when anything was changed in it. A Close without Open does nothing.
  void Close();
  // Empties the clipboard (within a batch: the batch's content).
  void Clear();

  // Whether data of `format` is there (in a batch that changed the
  // content: in the batch's content).
  bool HasFormat(unsigned format);
  // The bytes of `format`, or empty when it is not there.
  std::string GetBuffer(unsigned format);
  // Puts `data` under `format` (a text format sets the text). The same
  // TClipboardBytes may go under several formats: they share its bytes.
  void SetBuffer(unsigned format, TClipboardBytes data);
  void SetBuffer(unsigned format, std::string data) {
    SetBuffer(format, TClipboardBytes(std::move(data)));
  }
  void SetBuffer(unsigned format, const char* data) { SetBuffer(format, std::string(data)); }

  // The text (UTF-8); empty when there is none.
  std::string AsText() { return GetBuffer(CF_TEXT); }
  void SetAsText(std::string text) { SetBuffer(CF_TEXT, std::move(text)); }

 private:
  // The content a read sees: the batch's when it changed, else the backend's.
  const TClipboardContent* Pending() const { return FChanged ? &FPending : nullptr; }

  int FOpenCount = 0;
  bool FChanged = false;  // the batch has emptied the clipboard
  TClipboardContent FPending;
};

TClipboard& Clipboard();
