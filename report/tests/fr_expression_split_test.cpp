// Memo lines are split at their expressions once and evaluated from the
// split form record after record. These tests run the expansion as it was
// written before (scanning every line on every record, kept here as the
// reference) and the split form over the same lines, and compare the texts
// and the order of the expressions asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_parser.h"
#include "report/fr_report.h"
#include "report/fr_view.h"
#include "report_fixture.h"

namespace {

// The expansion of one line as it was: every '[' from the left, its
// bracketed text, and the rest literal from a '[' without a match.
std::string ReferenceExpandLine(std::string_view line,
                                const std::function<std::string(const std::string&)>& text) {
  std::string result;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t open = line.find('[', i);
    if (open == std::string_view::npos) break;
    std::size_t finish;
    const std::string inner = GetBracketedText(line, open, finish);
    if (finish >= line.size()) break;
    result += line.substr(i, open - i);
    result += text(inner);
    i = finish + 1;
  }
  result += line.substr(std::min(i, line.size()));
  return result;
}

// How the report split an expression from its format suffix before.
std::size_t ReferenceFindFormatSuffix(const std::string& expr) {
  char quote = 0;
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i + 1 < expr.size(); ++i) {
    const char c = expr[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ' ' && expr[i + 1] == '#') {
      found = i;
    }
  }
  return found;
}

// Memo1 as the expansion of a whole memo made it: lines re-read as the
// expressions run, empty results dropped, line breaks in results split.
void ReferenceExpandMemo(const TStrings& lines, TStrings& out,
                         const std::function<std::string(const std::string&)>& text) {
  out.Clear();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = lines[i];
    if (line.empty()) {
      out.Add("");
      continue;
    }
    const std::string expanded = ReferenceExpandLine(line, text);
    if (expanded.empty()) continue;
    if (expanded.find_first_of("\r\n") == std::string::npos) {
      out.Add(expanded);
      continue;
    }
    TStringList split;
    split.SetText(expanded);
    out.AddStrings(split);
  }
}

const char* const kOddLines[] = {
    "",
    "plain text",
    "[",
    "]",
    "][",
    "[]",
    "[][]",
    "[[]",
    "[]]",
    "[A]",
    "[A]]",
    "[[A]]",
    "[[A]",
    "[A[B]C]",
    "x[A]y[B]z",
    "[A",
    "a]b[c",
    "a [A b",
    "[A] [B",
    "[']']",
    "[\"]\"]",
    "['[']",
    "['x]'] [A]",
    "[a'b]c",
    "[a\"b]c]",
    "[A'] tail",
    "['a' + \"[b]\"]",
    "[[x] #N0,2]",
    "[SUM] #N0,2",
    "[SUM #N0,2]",
    "[SUM  #N0,2 ]",
    "[SUM #]",
    "[ #D]",
    "[X #N0,2 #N1.3]",
    "[' #N0' #B]",
    "[\" #x\"]",
    "Иванова [FIO] р.",
    "[FIO]Ё[FIO]",
    "\t[A]\t",
    "[A]\r[B]",
    "[[[[[[A]]]]]]",
    "[A][[B]][[[C]]]",
    "end [",
    "[ ] [  ]",
    "#[A] #N2",
    "[A] #N2",
};

// Every memo line and tag of the templates shipped beside the program.
std::vector<std::string> ShippedTemplateLines() {
  std::vector<std::string> lines;
  auto owner = CreateUnique<TComponent>();
  for (const char* name : {"rsrt1.frf", "rsrt2.frf", "rsrt3.frf", "acct.frf", "pr2.frf"}) {
    const std::string file = std::string(MEBRATH_TEMPLATE_DIR) + "/" + name;
    auto* report = Create<TfrReport>(owner.get());
    EXPECT_TRUE(report->LoadFromFile(file)) << file;
    for (int p = 0; p < report->Pages().Count(); ++p) {
      TfrPage* page = report->Pages().Pages(p);
      for (const TObjectPtr<TfrView>& v : page->Objects) {
        for (int k = 0; k < v->Memo.Count(); ++k) lines.push_back(v->Memo[k]);
        lines.push_back(v->Tag);
      }
    }
  }
  return lines;
}

TEST(FrExpressionSplit, MatchesTheScanOfEveryLine) {
  std::vector<std::string> lines(std::begin(kOddLines), std::end(kOddLines));
  const std::vector<std::string> shipped = ShippedTemplateLines();
  EXPECT_GT(std::count_if(shipped.begin(), shipped.end(),
                          [](const std::string& l) { return l.find('[') != std::string::npos; }),
            50);
  lines.insert(lines.end(), shipped.begin(), shipped.end());
  for (const std::string& line : lines) {
    std::vector<std::string> asked, askedBefore;
    const std::string expanded = ExpandLine(line, [&](const std::string& e) {
      asked.push_back(e);
      return "<" + e + ">";
    });
    const std::string before = ReferenceExpandLine(line, [&](const std::string& e) {
      askedBefore.push_back(e);
      return "<" + e + ">";
    });
    EXPECT_EQ(expanded, before) << line;
    EXPECT_EQ(asked, askedBefore) << line;
    // The split form itself: its expressions and their format suffixes.
    const TfrBracketedLine split = SplitBracketedLine(line);
    ASSERT_EQ(split.Literals.size(), split.Expressions.size() + 1) << line;
    ASSERT_EQ(split.Expressions.size(), askedBefore.size()) << line;
    for (std::size_t k = 0; k < askedBefore.size(); ++k) {
      const TfrExpression& e = split.Expressions[k];
      const std::string& text = askedBefore[k];
      EXPECT_EQ(e.Text, text);
      const std::size_t suffix = ReferenceFindFormatSuffix(text);
      EXPECT_EQ(e.HasSuffix, suffix != std::string::npos) << text;
      EXPECT_EQ(e.Name, suffix == std::string::npos ? text : Trim(text.substr(0, suffix))) << text;
      EXPECT_EQ(e.Suffix, suffix == std::string::npos ? "" : text.substr(suffix + 2)) << text;
    }
  }
}

// A report whose expressions may edit the memo being expanded, as a
// script reached from an expression can.
class TEditingReport : public TTestReport {
  MEBRATH_CLASS(TEditingReport, TTestReport)
 public:
  std::function<void(TfrView*, const std::string&)> OnExpression;
  std::string ExpressionText(TfrView* view, const std::string& expression) override {
    if (OnExpression) OnExpression(view, expression);
    return "<" + expression + ">";
  }

 protected:
  using TTestReport::TTestReport;
};

TEST(FrExpressionSplit, MemoExpandsAsBeforeWhileItChanges) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TEditingReport>(owner.get());
  TfrCurrentReport current(report);
  auto memo = CreateUnique<TfrMemoView>();
  const struct {
    const char* memo;
    std::function<void(TStrings&, const std::string&)> edit;  // on each expression
  } cases[] = {
      {"[A] x\r\n\r\n[B][C]\r\n[E", nullptr},
      {"[A]\r\n[B]",
       [](TStrings& m, const std::string& e) {
         if (e == "A") m.Add("[late]");
       }},
      {"[A]\r\n[B]\r\n[C]",
       [](TStrings& m, const std::string& e) {
         if (e == "A") m.Delete(1);
       }},
      {"[A]\r\n[B]",
       [](TStrings& m, const std::string& e) {
         if (e == "A") m.Put(1, "[D] now");
       }},
      {"[A][B]",
       [](TStrings& m, const std::string& e) {
         if (e == "A") m.Put(0, "[X]");
       }},
      {"[A]\r\n[B]\r\n[C]",
       [](TStrings& m, const std::string& e) {
         if (e == "B") m.Clear();
       }},
      {"[A]\r\n[B]",
       [](TStrings& m, const std::string&) {
         if (m.Count() < 6) m.Insert(0, "[I]");
       }},
  };
  for (const auto& c : cases) {
    // Twice in a row, so the second run works from the kept split.
    for (int run = 0; run < 2; ++run) {
      memo->Memo.SetText(c.memo);
      TStringList source, expected;
      source.SetText(c.memo);
      ReferenceExpandMemo(source, expected, [&](const std::string& e) {
        if (c.edit) c.edit(source, e);
        return "<" + e + ">";
      });
      report->OnExpression = [&](TfrView* v, const std::string& e) {
        if (c.edit) c.edit(v->Memo, e);
      };
      TStringStream s;
      memo->Print(s);
      EXPECT_EQ(memo->Memo1.Text(), expected.Text()) << c.memo << " run " << run;
    }
  }
}

}  // namespace
