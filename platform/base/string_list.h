// TStrings and TStringList: the classic list of text lines.
//
// TStrings is the abstract list that memo lines, combo box items and the
// like present; it implements every text-level operation (Text, CommaText,
// Values, loading and saving) over a handful of storage primitives.
// TStringList is the ordinary in-memory list, optionally sorted.
//
// Items are UTF-8. Each item carries an object slot, a plain void* that the
// list never owns or frees (there is no OwnsObjects): whoever stores objects
// keeps them alive and frees them.
//
// Comparisons (IndexOf, IndexOfName, Find, Sort) are case-insensitive by
// AnsiCompareText, which folds Cyrillic too; TStringList::SetCaseSensitive
// switches to AnsiCompareStr. Equals compares bytes.
//
// Files and streams hold Windows-1251 by default; a UTF-8 byte order mark on
// reading means UTF-8 whatever encoding was asked for.
//
// Index errors raise EStringListError "List index out of bounds (%d)".
// GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class TStrings;

// Text encoding of files and streams read or written by a string list.
enum class TStringsEncoding {
  Ansi,  // Windows-1251, the classic default
  Utf8,  // UTF-8; saving writes a byte order mark
};

// OnChange / OnChanging handler: receives the list that changed.
using TStringsNotifyEvent = std::function<void(TStrings* Sender)>;

class TStrings {
 public:
  TStrings() = default;
  virtual ~TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  // --- Storage primitives every list provides.
  virtual int Count() const = 0;
  // Throws EStringListError when Index is outside 0..Count()-1 (also for
  // the other indexed members below).
  virtual std::string Get(int Index) const = 0;
  virtual void* GetObject(int Index) const = 0;
  // Inserts at Index (0..Count()).
  virtual void InsertObject(int Index, std::string_view S, void* AObject) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  // Default implementations go through Delete + InsertObject.
  virtual void Put(int Index, std::string_view S);
  virtual void PutObject(int Index, void* AObject);

  // --- Items.
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, std::string_view S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  void* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, void* AObject) { PutObject(Index, AObject); }

  // Returns the index of the new item (a sorted list decides where).
  int Add(std::string_view S) { return AddObject(S, nullptr); }
  virtual int AddObject(std::string_view S, void* AObject);
  void Insert(int Index, std::string_view S) { InsertObject(Index, S, nullptr); }
  void AddStrings(const TStrings& Source);
  // Replaces the items, objects and separators with Source's.
  virtual void Assign(const TStrings& Source);
  virtual void Exchange(int Index1, int Index2);
  // Moves the item (with its object) so that it ends up at NewIndex.
  virtual void Move(int CurIndex, int NewIndex);
  // Same count and byte-equal items (objects are not compared).
  bool Equals(const TStrings& Other) const;

  // --- Searching; -1 when absent.
  virtual int IndexOf(std::string_view S) const;
  int IndexOfName(std::string_view Name) const;
  int IndexOfObject(const void* AObject) const;

  // --- "Name=Value" lines (separator NameValueSeparator()).
  // The part before the first separator; "" when the line has none.
  std::string Names(int Index) const;
  // The part after the first separator of the line named Name; "" if none.
  std::string Values(std::string_view Name) const;
  // Replaces or appends "Name=Value"; an empty Value deletes the line.
  void SetValues(std::string_view Name, std::string_view Value);
  // The part after the first separator; "" when the line has none.
  std::string ValueFromIndex(int Index) const;
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }

  // --- Whole text.
  // Every line followed by CR LF, the last one included.
  std::string Text() const;
  // Splits at CR, LF or CR LF; a final line break adds no empty line.
  void SetText(std::string_view Value);
  // CommaText is DelimitedText with ',' and '"' whatever the list's own
  // Delimiter and QuoteChar are, and blanks separating too.
  std::string CommaText() const;
  void SetCommaText(std::string_view Value);
  // An item holding a control character or blank, the quote or the
  // delimiter is quoted (inner quotes doubled); an empty item is written as
  // two quotes. Reading splits at delimiters and, unless StrictDelimiter,
  // also at blanks outside quotes; consecutive delimiters give an empty
  // item, and so does a delimiter at the very end.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view Value);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char Value) { FDelimiter = Value; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char Value) { FQuoteChar = Value; }
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

  // --- Update bracket: nested BeginUpdate/EndUpdate; the list reports
  // through SetUpdateState only on the outermost pair.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // --- Files and streams. The stream is read from its position to its end;
  // errors are those of the stream or file classes (EFOpenError,
  // EFCreateError, EReadError, EWriteError).
  void LoadFromStream(TStream& Stream, TStringsEncoding Encoding = TStringsEncoding::Ansi);
  void SaveToStream(TStream& Stream, TStringsEncoding Encoding = TStringsEncoding::Ansi) const;
  void LoadFromFile(const std::string& FileName,
                    TStringsEncoding Encoding = TStringsEncoding::Ansi);
  void SaveToFile(const std::string& FileName,
                  TStringsEncoding Encoding = TStringsEncoding::Ansi) const;

 protected:
  // <0, 0, >0 as the list orders S1 against S2 (AnsiCompareText here).
  virtual int CompareStrings(std::string_view S1, std::string_view S2) const;
  // Called with true by the outermost BeginUpdate, false by its EndUpdate.
  virtual void SetUpdateState(bool Updating);
  [[noreturn]] static void IndexError(int Index);
  void CheckIndex(int Index, int Limit) const;

 private:
  // Text split by the quoting rules of DelimitedText.
  void SetDelimitedTextWith(std::string_view Value, char Delim, char Quote, bool Strict);
  std::string DelimitedTextWith(char Delim, char Quote) const;

  int FUpdateCount = 0;
  char FNameValueSeparator = '=';
  char FDelimiter = ',';
  char FQuoteChar = '"';
  bool FStrictDelimiter = false;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Ordering for CustomSort: <0, 0, >0 for the items at Index1 and Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
 public:
  TStringList() = default;

  // TStrings
  int Count() const override { return static_cast<int>(FItems.size()); }
  std::string Get(int Index) const override;
  void* GetObject(int Index) const override {
    if (Index < 0 || Index > Count() - 1) IndexError(Index);
    return FItems[static_cast<std::size_t>(Index)].FObject;
  }
  // Throws EStringListError "Operation not allowed on sorted list" when
  // Sorted(); use Add there.
  void InsertObject(int Index, std::string_view S, void* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  // Throws EStringListError "Operation not allowed on sorted list" when
  // Sorted().
  void Put(int Index, std::string_view S) override;
  void PutObject(int Index, void* AObject) override;
  // On a sorted list: with dupIgnore an equal item's index is returned and
  // nothing is added; dupError throws EStringListError "String list does
  // not allow duplicates"; dupAccept inserts before the first equal item.
  int AddObject(std::string_view S, void* AObject) override;
  // Throws EStringListError "Operation not allowed on sorted list" when
  // Sorted(), since it would break the order Find relies on.
  void Exchange(int Index1, int Index2) override;
  // Throws EStringListError "Operation not allowed on sorted list" when
  // Sorted(); the list is then unchanged.
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(std::string_view S) const override;
  // As TStrings::Assign; another unsorted-into-unsorted list's items are
  // copied at once.
  void Assign(const TStrings& Source) override;

  // Exchanges the items (with their objects) with Other's, without
  // copying; each list reports its change. Both must be unsorted.
  void SwapItems(TStringList& Other);

  // A reference to the item, valid until the list changes. Inline: layout
  // and printing read every line through it.
  const std::string& StringRef(int Index) const {
    if (Index < 0 || Index > Count() - 1) IndexError(Index);
    return FItems[static_cast<std::size_t>(Index)].FString;
  }

  // Binary search of a sorted list: true when found; Index receives the
  // first equal item or the position where S would be inserted.
  // REQUIRES: Sorted() (on an unsorted list the answer is meaningless).
  bool Find(std::string_view S, int& Index) const;
  // Sorts by CompareStrings; stable. Does nothing when already Sorted().
  virtual void Sort();
  // Sorts with Compare, which sees the list as it was before sorting.
  // Does nothing when Sorted().
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // A sorted list is sorted again by the new rule.
  void SetCaseSensitive(bool Value);

  // OnChanging fires before and OnChange after each change, except inside
  // BeginUpdate/EndUpdate: then OnChanging fires once at the outermost
  // BeginUpdate and OnChange once at the outermost EndUpdate (whether or
  // not anything changed in between, as the classic list did).
  TStringsNotifyEvent OnChange;
  TStringsNotifyEvent OnChanging;

 protected:
  int CompareStrings(std::string_view S1, std::string_view S2) const override;
  void SetUpdateState(bool Updating) override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct TItem {
    std::string FString;
    void* FObject = nullptr;
  };
  void InsertItem(int Index, std::string_view S, void* AObject);
  void SortItems(const TStringListSortCompare& Compare);

  std::vector<TItem> FItems;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FCaseSensitive = false;
};
