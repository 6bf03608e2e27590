// List-directed reading: separators, records over several lines, quotes,
// repeat counts, null values, slash, number forms and the error messages.
#include <gtest/gtest.h>

#include <string>

#include "textio/listread.h"
#include "model/model.h"

using namespace qb;

namespace {

ListReader reader(const std::string& text) { return ListReader("datos.dat", text); }

TEST(ListRead, SeparatorsAndRecordsOverLines) {
    ListReader in = reader("1, 2.5  3\n 4\n5 6 7\n8\n");
    int32_t a = 0, c = 0, d = 0, e = 0;
    float b = 0;
    in.record(a, b, c, d);   // runs over two lines
    EXPECT_EQ(a, 1);
    EXPECT_FLOAT_EQ(b, 2.5f);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(d, 4);
    in.record(e);            // the rest of "5 6 7" is dropped
    EXPECT_EQ(e, 5);
    in.record(e);
    EXPECT_EQ(e, 8);
}

TEST(ListRead, NullValuesKeepTheOldValue) {
    ListReader in = reader("1,,3\n,5\n7 , , 9\n");
    int32_t a = -1, b = -1, c = -1;
    in.record(a, b, c);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, 3);
    a = b = -1;
    in.record(a, b);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, 5);
    a = b = c = -1;
    in.record(a, b, c);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, 9);
}

TEST(ListRead, CommaAtTheStartOfTheNextLineIsTheSeparator) {
    ListReader in = reader("1\n,2\n");
    int32_t a = 0, b = 0;
    in.record(a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

TEST(ListRead, SlashEndsTheRecord) {
    ListReader in = reader("1 / 2 3\n4\n");
    int32_t a = 0, b = -1, c = -1;
    in.record(a, b, c);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, -1);
    in.record(a);
    EXPECT_EQ(a, 4);
}

TEST(ListRead, RepeatCounts) {
    ListReader in = reader("3*2.5 2* 7\n2*'ab'\n");
    float x[3] = {0, 0, 0};
    int32_t p = -1, q = -1, r = -1;
    in.begin();
    for (float& v : x) in.item(v);
    in.item(p);
    in.item(q);
    in.item(r);
    in.end();
    EXPECT_FLOAT_EQ(x[0], 2.5f);
    EXPECT_FLOAT_EQ(x[2], 2.5f);
    EXPECT_EQ(p, -1);
    EXPECT_EQ(q, -1);
    EXPECT_EQ(r, 7);
    Text s1, s2;
    in.begin();
    in.item(s1, 4);
    in.item(s2, 4);
    in.end();
    EXPECT_EQ(s1, Text("ab  "));
    EXPECT_EQ(s2, Text("ab  "));
}

TEST(ListRead, TextsQuotedUnquotedCutAndPadded) {
    ListReader in = reader("'Marco plano, sobre zapata' CONCRETO \"it\"\"s\" 'it''s'\n'abcdefghijklmnopqrstuvwxyz'\n");
    Text t, u, v, w, z;
    in.begin();
    in.item(t, 30);
    in.item(u, 20);
    in.item(v, 6);
    in.item(w, 4);
    in.end();
    EXPECT_EQ(t, Text("Marco plano, sobre zapata     "));
    EXPECT_EQ(u, Text("CONCRETO            "));
    EXPECT_EQ(v, Text("it\"s  "));
    EXPECT_EQ(w, Text("it's"));
    in.begin();
    in.item(z, 20);
    in.end();
    EXPECT_EQ(z, Text("abcdefghijklmnopqrst"));
}

TEST(ListRead, UnquotedTitleKeepsOnlyItsFirstWord) {
    ListReader in = reader("Marco plano\n");
    Text t;
    in.begin();
    in.item(t, 10);
    in.end();
    EXPECT_EQ(t, Text("Marco     "));
}

TEST(ListRead, RealForms) {
    ListReader in = reader("1. .5 1e3 1.5D2 -2 +3.25E-1 2213594. 1.5+2\n");
    float v[8];
    in.begin();
    for (float& x : v) in.item(x);
    in.end();
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_FLOAT_EQ(v[1], 0.5f);
    EXPECT_FLOAT_EQ(v[2], 1000.0f);
    EXPECT_FLOAT_EQ(v[3], 150.0f);
    EXPECT_FLOAT_EQ(v[4], -2.0f);
    EXPECT_FLOAT_EQ(v[5], 0.325f);
    EXPECT_FLOAT_EQ(v[6], 2213594.0f);
    EXPECT_FLOAT_EQ(v[7], 150.0f);
}

TEST(ListRead, HeadingLinesAndFixedText) {
    ListReader in = reader("anything, at all / 'x\n\nCIMENTACION EJE A\nshort\n");
    in.skip_line();
    in.skip_line();   // an empty line serves as a heading
    EXPECT_EQ(in.fixed_text(20), Text("CIMENTACION EJE A   "));
    EXPECT_EQ(in.fixed_text(20), Text("short               "));
}

// A UTF-8 file is read as Latin-1; any other is read as it stands, however
// close to UTF-8 its bytes come. A byte-order mark is dropped from either.
TEST(ListRead, AUtf8FileIsReadAsLatin1) {
    const auto first_line = [](const std::string& text) { return reader(text).fixed_text(14).bytes(); };
    const auto padded = [](std::string s) { s.resize(14, ' '); return s; };
    EXPECT_EQ(first_line("\xEF\xBB\xBF" "Cimentaci\xC3\xB3n f\xC2\xB4" "c\n"), padded("Cimentaci\xF3n f\xB4" "c"));
    EXPECT_EQ(first_line("\xEF\xBB\xBF" "Cimentaci\xF3n\n"), padded("Cimentaci\xF3n"));
    // Latin-1 next to UTF-8 forms: an overlong one, a surrogate, one cut by the end
    for (const std::string latin1 : {"\xC3\xB3 \xC1\xA9", "\xC3\xB3 \xED\xA0\x80", "\xC3\xB3 \xC3"})
        EXPECT_EQ(first_line(latin1), padded(latin1));

    // Characters beyond Latin-1 are '?', each line holding some warned about
    // once, with its line as saved.
    ListReader in = reader("\xEF\xBB\xBF'a\xE2\x80\x94" "b\xE2\x80\x94\xF0\x9F\x98\x80\xC3\xA9'\n1\n2 '\xE2\x82\xAC'\n");
    Warnings w;
    in.warn_to(&w);
    Text t;
    int32_t n = 0;
    in.begin();
    in.item(t, 8);
    in.end();
    EXPECT_EQ(t, Text("a?b??\xE9  "));
    in.record(n);
    in.begin();
    in.item(n);
    in.item(t, 1);
    EXPECT_EQ(in.line(), 3);
    EXPECT_EQ(t, Text("?"));
    ASSERT_EQ(w.all().size(), 2u);
    EXPECT_EQ(w.all()[0].line, 1);
    EXPECT_EQ(w.all()[0].text.rfind("this line holds characters that Latin-1 cannot write ('\xE2\x80\x94' U+2014, "
                                    "'\xF0\x9F\x98\x80' U+1F600); they are written as '?'", 0), 0u) << w.all()[0].text;
    EXPECT_EQ(w.all()[1].line, 3);
    EXPECT_NE(w.all()[1].text.find("('\xE2\x82\xAC' U+20AC)"), std::string::npos);
}

std::string error_of(const std::string& text, void (*body)(ListReader&)) {
    ListReader in = reader(text);
    try {
        body(in);
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

TEST(ListReadErrors, MessagesNameFileLineRecordAndExpectation) {
    std::string msg = error_of("1\n2.5\n", [](ListReader& in) {
        int32_t a = 0;
        in.record(a);
        in.context("bar 7");
        in.record(a);
    });
    EXPECT_EQ(msg, "datos.dat:2: reading bar 7: expected an integer, found '2.5'");

    msg = error_of("1.0 abc\n", [](ListReader& in) {
        float a = 0, b = 0;
        in.context("node 3");
        in.record(a, b);
    });
    EXPECT_EQ(msg, "datos.dat:1: reading node 3: expected a real number, found 'abc'");

    msg = error_of("1 2\n", [](ListReader& in) {
        int32_t a = 0, b = 0, c = 0;
        in.context("the control record");
        in.record(a, b, c);
    });
    EXPECT_EQ(msg, "datos.dat:2: reading the control record: expected a value, found the end of the file");

    msg = error_of("", [](ListReader& in) {
        in.context("the heading of the bars");
        in.skip_line();
    });
    EXPECT_EQ(msg, "datos.dat:1: reading the heading of the bars: expected a heading line, found the end of the file");

    msg = error_of("99999999999\n", [](ListReader& in) {
        int32_t a = 0;
        in.record(a);
    });
    EXPECT_NE(msg.find("expected an integer, found '99999999999'"), std::string::npos);

    msg = error_of("'open\n", [](ListReader& in) {
        Text s;
        in.begin();
        in.item(s, 20);
    });
    EXPECT_NE(msg.find("expected a closing quote"), std::string::npos);
}

// Values left on a record's last line are warned about, except after a slash
// or a trailing comma; a quote never closed is reported where it opens.
TEST(ListReadErrors, LeftoverValuesAndAnUnclosedQuote) {
    ListReader in = reader("1 0,2\n3 4 / 5\n6,\n7 3*8\n9\n'abc\n10\n");
    Warnings w;
    in.warn_to(&w);
    int32_t a = 0;
    float b = 0.0f;
    in.context("material 1");
    in.record(a, b);
    EXPECT_EQ(b, 0.0f);
    in.record(a, b);
    in.record(a);
    in.record(a, b, b);
    ASSERT_EQ(w.all().size(), 2u);
    EXPECT_EQ(w.all()[0].line, 1);
    EXPECT_EQ(w.all()[0].text, "reading material 1: the line goes on after the record's last value; '2' is not read "
                               "(a decimal comma, as in 0,2, reads as two values)");
    EXPECT_EQ(w.all()[1].line, 4);
    EXPECT_EQ(w.all()[1].text, "reading material 1: 1 repeated value(s) '8' are left over and not read");
    in.context("the title");
    Text t;
    try {
        in.record(a);
        in.begin();
        in.item(t, 50);
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "datos.dat:6: reading the title: expected a closing quote (') for the text "
                                         "opened on this line, found the end of the file");
    }
}

TEST(ListReadErrors, MissingFile) {
    try {
        ListReader::open("/nonexistent/dir/datos.dat");
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot open the data file '/nonexistent/dir/datos.dat': No such file or directory");
    }
}

} // namespace
