#include "register/core/exchange_export.h"

#include <utility>

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "register/core/institution.h"
#include "register/core/xml_out.h"

namespace {

constexpr int kMaxChildren = 6;
constexpr int kWriterCapacity = 1024;

const char* const kHeaderKeys[] = {"INN",  "REG_NUM", "KPP",   "OGRN", "ADRES", "TYPE", "GDOCTER",
                                   "GBUH", "ACC",     "BNAME", "BIC",  "KACC",  "NDOC", "DDOC"};

struct TElementSpec {
  const char* Name;
  bool Close;
  const char* Fields;
};

constexpr TElementSpec kCertif{"CERTIF", true, "SCERTIF,NCERTIF,DCERTIF"};
constexpr TElementSpec kPerson{"PERSON", true, "SNILS,LNAME,FNAME,MNAME,BDATE,ADDRESS"};
constexpr TElementSpec kPolicy{"POLICY", true, "SPOLICY,NPOLICY"};
constexpr TElementSpec kExcCard{"EXCCARD", true, "NCARD,DCARD"};
constexpr TElementSpec kSickList{"SICKLIST", true, "SLEAF,NLEAF,DLEAF"};
constexpr TElementSpec kPassport1{"PASSPORT", true, "TDOC,NDOC,SDOC,DDOC,ODOC"};
constexpr TElementSpec kPassport23{"PASSPORT", true, "TDOC,SDOC,NDOC,DDOC,ODOC"};

std::vector<TElementSpec> ElementsOfKind(int frameId) {
  switch (frameId) {
    case 1:
      return {{"BTAL1", false, "DREG,QTW2,MULP,PREM,CHK"},
              kCertif,
              kPerson,
              kPassport1,
              kPolicy,
              kExcCard,
              kSickList};
    case 2:
      return {{"BTAL2", false, "DREG,DIAG,BQNT,CHK"},
              kCertif,
              kPerson,
              kPassport23,
              kPolicy,
              kSickList,
              kExcCard};
    case 3:
      return {{"BTAL3", false, "DREG,CHK"}, kCertif, kPerson, kPassport23, kPolicy, kExcCard};
  }
  throw EInvalidOperation("Неизвестный вид реестра: %d", frameId);
}

// The number a count column holds, 0 when empty.
int CountOf(const TField* field) { return field->IsNull() ? 0 : field->AsInteger(); }

void AppendAttribute(std::string& line, const char* name, const std::string& text) {
  line += name;
  line += "=\"";
  line += text;
  line += "\" ";
}

}  // namespace

TLpuAccess LpuOf(TInstitution& institution, std::function<void()> saved) {
  return {[&institution](const std::string& key) { return institution.Value(key); },
          [&institution](const std::string& key, const std::string& value) {
            institution.SetValue(key, value);
          },
          [saved = std::move(saved)] {
            if (saved) saved();
          }};
}

std::string ExchangeKindTarget(int frameId, int fileType) {
  switch (frameId) {
    case 1:
      return "BSERTIF1";
    case 2:
      return "BSERTIF2";
    case 3:
      return fileType == 31 ? "BSERTIF3_1" : "BSERTIF3_2";
  }
  throw EInvalidOperation("Неизвестный вид реестра: %d", frameId);
}

void WriteExchangeProlog(TxmlOut& out, int frameId, int fileType, const TLpuAccess& lpu,
                         TDateTime today) {
  const std::string target = ExchangeKindTarget(frameId, fileType);
  out.WriteXmlDecl();
  out.Write("<?" + target + " version=\"0.1\" povers=\"10\"?>");
  out.Write("<BIRTH_SERTIF>");
  // One Write for the whole element: it can pass the buffer's size and
  // still goes out whole.
  std::string header = "<HEADER ";
  AppendAttribute(header, "FROM", XmlAttributeText(lpu.GetValue("NAME")));
  AppendAttribute(header, "TO", XmlAttributeText(lpu.GetValue("FNAME")));
  AppendAttribute(header, "DATE", ExchangeDateText(today));
  for (const char* key : kHeaderKeys)
    AppendAttribute(header, key, XmlAttributeText(lpu.GetValue(key)));
  header.pop_back();
  header += "/>";
  out.Write(header);
}

TExchangeRecordWriter::TExchangeRecordWriter(TDataSet& dataSet, int frameId) : FFrameId(frameId) {
  for (const TElementSpec& spec : ElementsOfKind(frameId)) {
    FElements.push_back({spec.Name, spec.Close, FieldsOfList(dataSet, spec.Fields)});
  }
  const char* childFields = nullptr;
  if (frameId == 2) {
    FBqnt = dataSet.FieldByName("BQNT");
    FCqnt = dataSet.FieldByName("CQNT");
    childFields = "SEX%0:d,WEIGHT%0:d,GROWTH%0:d,DIAG%0:d";
  } else if (frameId == 3) {
    FCqnt = dataSet.FieldByName("CQNT");
    childFields =
        "LNAME%0:d,FNAME%0:d,MNAME%0:d,BDATE%0:d,DATEBOBS%0:d,DATEEOBS%0:d,SPOLICY%0:d,"
        "NPOLICY%0:d";
  }
  if (childFields != nullptr) {
    for (int i = 1; i <= kMaxChildren; ++i) {
      FChildFields.push_back(FieldsOfList(dataSet, Format(childFields, i)));
    }
  }
}

void TExchangeRecordWriter::Write(TxmlOut& out) {
  for (const TElement& element : FElements)
    out.WriteRecord(element.Name, element.Close, element.Fields);
  if (FFrameId == 2) WriteNewborns(out);
  if (FFrameId == 3) WriteChildren(out);
  out.Write(FFrameId == 1 ? "</BTAL1>" : FFrameId == 2 ? "</BTAL2>" : "</BTAL3>");
}

void TExchangeRecordWriter::WriteNewborns(TxmlOut& out) {
  const int groups = std::min(CountOf(FBqnt), kMaxChildren);
  const int held = CountOf(FCqnt);
  for (int i = 1; i <= groups; ++i) {
    const std::vector<TField*>& f = FChildFields[static_cast<std::size_t>(i - 1)];
    const bool blank = i > held;
    // Built as Windows-1251 bytes, as WriteRecord builds its lines.
    FLine = "<CHILD SEX=\"";
    if (!blank) out.AppendFieldBytes(FLine, *f[0]);
    FLine += "\" WEIGHT=\"";
    AppendFloatText(FLine, "0.000", blank ? 0.0 : f[1]->AsFloat());
    FLine += "\" GROWTH=\"";
    if (blank) {
      FLine += '0';
    } else {
      out.AppendFieldBytes(FLine, *f[2]);
    }
    FLine += "\" DIAG=\"";
    if (!blank) out.AppendFieldBytes(FLine, *f[3]);
    FLine += "\"/>";
    out.WriteAnsi(FLine);
  }
}

void TExchangeRecordWriter::WriteChildren(TxmlOut& out) {
  const int children = std::min(CountOf(FCqnt), kMaxChildren);
  static const char* const kNames[] = {"LNAME", "FNAME", "MNAME", "BDATE", "DATEBOBS", "DATEEOBS"};
  for (int i = 1; i <= children; ++i) {
    const std::vector<TField*>& f = FChildFields[static_cast<std::size_t>(i - 1)];
    FLine = "<CHILD";
    for (std::size_t k = 0; k < 6; ++k) {
      FLine += ' ';
      FLine += kNames[k];
      FLine += "=\"";
      out.AppendFieldBytes(FLine, *f[k]);
      FLine += '"';
    }
    FLine += "><POLICY SPOLICY=\"";
    out.AppendFieldBytes(FLine, *f[6]);
    FLine += "\" NPOLICY=\"";
    out.AppendFieldBytes(FLine, *f[7]);
    FLine += "\"/></CHILD>";
    out.WriteAnsi(FLine);
  }
}

void ExportRegisterXml(TDataSet& dataSet, const std::string& fileName, int frameId, int fileType,
                       const TLpuAccess& lpu, TDateTime today) {
  TFormatSettingsOverride settings;
  FormatSettings.DecimalSeparator = '.';
  TExchangeRecordWriter records(dataSet, frameId);
  TxmlOut out(fileName, kWriterCapacity);
  WriteExchangeProlog(out, frameId, fileType, lpu, today);
  {
    TControlsDisabledGuard disabled(&dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) records.Write(out);
  }
  out.Write("</BIRTH_SERTIF>");
  out.Close();
}
