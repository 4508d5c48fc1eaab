// The JSON text every browser answer is made of: strings escaped, bytes that
// are not UTF-8 replaced so the answer always parses, commas placed in nested
// containers, and a window's description read back as the same document.
#include "platform/forms/json_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/scripted_host.h"
#include "platform/forms/text_box.h"

namespace hp::forms {
namespace {

struct StringCase {
  const char* name;
  std::string text;
  std::string written;  // the JSON text, quotes included
};

void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }
class JsonStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(JsonStringTest, WritesValidJson) {
  const StringCase& c = GetParam();
  std::string out;
  AppendJsonString(out, c.text);
  EXPECT_EQ(out, c.written);
  // A strict reader takes it (it refuses text that is not UTF-8).
  nlohmann::json parsed = nlohmann::json::parse(out);
  ASSERT_TRUE(parsed.is_string());
  if (c.written.find("\xEF\xBF\xBD") == std::string::npos) {
    EXPECT_EQ(parsed.get<std::string>(), c.text);
  }
}

const std::string kFffd = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonStringTest,
    ::testing::Values(StringCase{"Empty", "", "\"\""}, StringCase{"Plain", "HP 1/2024", "\"HP 1/2024\""},
                      StringCase{"QuoteAndBackslash", "a\"b\\c", R"("a\"b\\c")"},
                      StringCase{"NamedControls", "1\n2\r3\t4\b5\f", R"("1\n2\r3\t4\b5\f")"},
                      StringCase{"OtherControls", std::string("x\x01y\x1F", 4), R"("x\u0001y\u001f")"},
                      StringCase{"NulInside", std::string("a\0b", 3), R"("a\u0000b")"},
                      StringCase{"Delete", "\x7F", "\"\x7F\""},
                      StringCase{"TwoByte", "\xC3\x85ke", "\"\xC3\x85ke\""},
                      StringCase{"ThreeByte", "\xE2\x82\xAC" "5", "\"\xE2\x82\xAC" "5\""},
                      StringCase{"FourByte", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
                      StringCase{"LoneContinuation", "a\x80" "b", "\"a" + kFffd + "b\""},
                      StringCase{"OverlongTwoByte", "\xC0\xAF", "\"" + kFffd + kFffd + "\""},
                      StringCase{"OverlongThreeByte", "\xE0\x80\xAF", "\"" + kFffd + kFffd + kFffd + "\""},
                      StringCase{"Surrogate", "\xED\xA0\x80", "\"" + kFffd + kFffd + kFffd + "\""},
                      StringCase{"AboveUnicode", "\xF4\x90\x80\x80", "\"" + kFffd + kFffd + kFffd + kFffd + "\""},
                      StringCase{"CutShortAtTheEnd", "ok\xE2\x82", "\"ok" + kFffd + kFffd + "\""},
                      StringCase{"CutShortBeforeAscii", "\xE2\x82" "A", "\"" + kFffd + kFffd + "A\""},
                      StringCase{"NeverALeadByte", "\xF8\xFF", "\"" + kFffd + kFffd + "\""}),
    [](const ::testing::TestParamInfo<StringCase>& param_info) { return std::string(param_info.param.name); });

TEST(JsonWriter, PlacesCommasInNestedContainers) {
  JsonWriter w;
  w.BeginObject();
  w.Field("a", 1);
  w.Key("empty");
  w.BeginArray();
  w.EndArray();
  w.Key("list");
  w.BeginArray();
  w.Int(-9223372036854775807LL - 1);
  w.BeginObject();
  w.EndObject();
  w.BeginObject();
  w.Field("x", true);
  w.Field("y", "z");
  w.EndObject();
  w.Null();
  w.Raw(R"({"r":[1,2]})");
  w.EndArray();
  w.Field("b", false);
  w.EndObject();
  EXPECT_EQ(w.Text(),
            R"({"a":1,"empty":[],"list":[-9223372036854775808,{},{"x":true,"y":"z"},null,{"r":[1,2]}],"b":false})");
  const std::string text = w.Text();
  EXPECT_EQ(w.Take(), text);
  EXPECT_EQ(w.Text(), "");
}

struct Screen : Form {
  explicit Screen(Host& h)
      : Form(h, "frmScreen"),
        txt(*this, "txt"),
        cbo(*this, "cbo"),
        lvw(*this, "lvw"),
        grid(*this, "grid"),
        chk(*this, "chk", "Tick \"me\""),
        cmd(*this, "cmd", "&OK") {
    Caption = "A \\ window";
    DefaultButton = &cmd;
  }
  TextBox txt;
  ComboBox cbo;
  ListView lvw;
  FlexGrid grid;
  CheckBox chk;
  CommandButton cmd;
};

// The window as the browser gets it: every control in order, each with its
// own members and what the caller notes beside them.
TEST(JsonWriter, AWindowReadsBackWithEveryControl) {
  ScriptedHost host;
  Screen s(host);
  s.txt.SetText("line 1\nline \"2\"");
  s.cbo.AddItem("First", 1);
  s.cbo.AddItem("Sec\xC3\xB6nd", 2);
  s.lvw.Columns = {{"No", 500}, {"Amount", 900}};
  s.lvw.Add("1");
  s.lvw.Item(0).SetSubItem(1, "5,000.00");
  s.lvw.Add("2");  // no sub-item: sent as an empty cell
  s.grid.SetCols(2);
  s.grid.SetRows(1);
  s.grid.SetTextMatrix(0, 0, "Head");
  for (int i = 1; i <= 3; ++i) s.grid.AddItem(std::to_string(i) + "\tHP" + std::to_string(i));
  s.grid.SetCellForeColor(2, 1, kRed);
  s.chk.Value = 1;

  JsonWriter w;
  w.BeginObject();
  s.Write(w, [](const Control& c, JsonWriter& out) { out.Field("note", c.Name() + "!"); });
  w.EndObject();
  nlohmann::json j = nlohmann::json::parse(w.Text());

  EXPECT_EQ(j["name"], "frmScreen");
  EXPECT_EQ(j["caption"], "A \\ window");
  EXPECT_EQ(j["defaultButton"], "cmd");
  const auto& controls = j["controls"];
  ASSERT_EQ(controls.size(), 6u);
  for (size_t i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i]["note"], s.Controls()[i]->Name() + "!");
    EXPECT_EQ(controls[i]["tabIndex"], static_cast<int>(i));
  }
  EXPECT_EQ(controls[0]["text"], "line 1\nline \"2\"");
  EXPECT_EQ(controls[1]["items"], nlohmann::json::array({"First", "Sec\xC3\xB6nd"}));
  EXPECT_EQ(controls[2]["rows"], nlohmann::json::parse(R"([["1","5,000.00"],["2",""]])"));
  EXPECT_EQ(controls[3]["rows"], 4);
  EXPECT_EQ(controls[3]["cells"]["0"]["text"], nlohmann::json::array({"Head", ""}));
  EXPECT_EQ(controls[3]["cells"]["2"]["text"], nlohmann::json::array({"2", "HP2"}));
  EXPECT_EQ(controls[3]["cells"]["2"]["colours"], nlohmann::json::array({kDefaultColour, kRed}));
  EXPECT_FALSE(controls[3]["cells"]["1"].contains("colours"));
  EXPECT_EQ(controls[4]["caption"], "Tick \"me\"");
  EXPECT_EQ(controls[4]["value"], 1);

  // Describe gives the same document, without the caller's notes.
  nlohmann::json described;
  s.Describe(described);
  for (auto& c : j["controls"]) c.erase("note");
  EXPECT_EQ(described, j);
}

}  // namespace
}  // namespace hp::forms
