// Texts and places as the simulator and an editor see them: scripts work on
// ANSI bytes whatever the file's encoding, every message names the place as
// written in the file (entities, CDATA, macros), and the mistakes a gauge
// author makes in the file's characters and macros are named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/runner/cli/runner_fixture.h"

namespace vellomar::testing {
namespace {

struct MessageCase {
  const char* name;
  std::string gauge;                  // a gauge file's bytes; empty: `args` only
  std::vector<std::string> args;      // before the gauge file
  std::vector<std::string> messages;  // each a line of stderr, after "vellomar-run: FILE:"
};

// Runs the case; `file` names its gauge file in the messages. Each expected
// message is the start of its line (a site and a frame may follow).
CommandResult RunCase(const MessageCase& c, std::string* file) {
  std::vector<std::string> args = c.args;
  *file = c.args.empty() ? "" : c.args.back();
  if (!c.gauge.empty()) {
    *file = WriteScript("texts_case.xml", c.gauge);
    args.push_back(*file);
  }
  return RunRunner(args);
}

void ExpectMessages(const MessageCase& c) {
  std::string file;
  const CommandResult result = RunCase(c, &file);
  // A gauge run writes its messages among the trace's lines.
  const std::string messages = result.out + result.err;
  for (const std::string& message : c.messages) {
    const std::string line = "vellomar-run: " + (c.gauge.empty() ? "" : file + ":") + message;
    EXPECT_NE(messages.find(line), std::string::npos)
        << c.name << ": no line\n  " << line << "\nin\n"
        << messages;
  }
}

// A gauge whose one <Value> holds `script` at line 2, column 17.
std::string ValueGauge(const std::string& script, const std::string& macros = "") {
  return "<Gauge>" + macros + "\n<Element><Value>" + script + "</Value></Element></Gauge>";
}

TEST(TextsTest, PlacesAreTheFilesAsWritten) {
  const MessageCase cases[] = {
      {"entities count as written",
       ValueGauge("(L:x) 1 &gt; (L:y) 2 &lt; and bogus"),
       {},
       {"2:47: error: unknown word 'bogus'"}},
      {"&amp;&amp; and &apos;",
       ValueGauge("1 1 &amp;&amp; &apos;a&apos; bogus"),
       {},
       {"2:46: error: unknown word 'bogus'"}},
      {"a numeric reference counts as written",
       ValueGauge("'&#176;' &#xB0; bogus"),
       {},
       {"2:26: error: unknown word '\xC2\xB0'"}},
      {"CDATA: the text's own characters",
       ValueGauge("<![CDATA[1 < 2 && bogus]]>"),
       {},
       {"2:35: error: unknown word 'bogus'"}},
      {"a UTF-8 character counts one",
       ValueGauge("'\xC2\xB0\xE2\x82\xAC' bogus"),
       {},
       {"2:22: error: unknown word 'bogus'"}},
      {"entity before a line end, CRLF",
       ValueGauge("1 &gt;\r\n  &lt; bogus"),
       {},
       {"3:8: error: unknown word 'bogus'"}},
      {"a macro's text: its definition and its use",
       ValueGauge("1 @Check", "<Macro Name='Check'>1 &gt; bogus</Macro>"),
       {},
       {"1:35: error: unknown word 'bogus' (no word is longer than 4 characters) (in macro "
        "'Check' used at 2:19)"}},
      {"a macro in a macro: every use, innermost first",
       ValueGauge("@Outer",
                  "<Macro Name='Inner'>bogus</Macro>\n<Macro Name='Outer'>1 @Inner</Macro>"),
       {},
       {"1:28: error: unknown word 'bogus' (no word is longer than 4 characters) (in macro "
        "'Inner' used at 2:23, in macro 'Outer' used at 3:17)"}},
      {"an argument stands where it is written",
       ValueGauge("@Add(1, bogus)", "<Macro Name='Add'>@1 @2 +</Macro>"),
       {},
       {"2:25: error: unknown word 'bogus'"}},
      {"run-time warnings inside a macro",
       ValueGauge("1 @Pop", "<Macro Name='Pop'>&lt;&lt; +</Macro>"),
       {},
       {"1:26: warning: '<<' popped an empty stack: it took 0 (in macro 'Pop' used at 2:19) "
        "[Element #1 <Value>, frame 1]"}},
      {"a template's script after an entity",
       "<Gauge><Element><Text><String>&lt;%(1 bogus)</String></Text></Element></Gauge>",
       {},
       {"1:39: error: unknown word 'bogus'"}},
      {"-e: a numeric reference counts as written",
       "",
       {"-e", "'&#176;' 1 bogus"},
       {"-e:1:12: error: unknown word 'bogus'"}},
      {"-s: entities count as written",
       "",
       {"-s", "&lt;&#176;%(1 bogus)"},
       {"-s:1:15: error: unknown word 'bogus'"}},
  };
  for (const MessageCase& c : cases) ExpectMessages(c);
}

struct BytesCase {
  const char* name;
  std::string gauge;    // bytes of a file whose one text shows `shown`
  std::string shown;    // the trace's text line, after "text Element #1 <Text>: "
  std::string warning;  // empty, or a part of the one warning
};

// '90°': its length, the code of its third byte, and the text itself.
const char kDegreeTemplate[] = "%('90\xB0' slen)%!d! %('90\xB0' 2 symb ord)%!d! %('90\xB0')%!s!";

std::string ToUtf8(const std::string& ansi) {
  std::string text;
  for (const char c : ansi) {
    if (static_cast<unsigned char>(c) == 0xB0) {
      text += "\xC2\xB0";
    } else {
      text += c;
    }
  }
  return text;
}

std::string TextGauge(const std::string& prolog, const std::string& text) {
  return prolog + "<Gauge><Element><Text><String>" + text + "</String></Text></Element></Gauge>";
}

std::string Utf16(const std::string& ascii_or_latin1, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : ascii_or_latin1) {
    const char zero = '\0';
    bytes += big_endian ? std::string(1, zero) + c : std::string(1, c) + zero;
  }
  return bytes;
}

TEST(TextsTest, ScriptsSeeAnsiBytesWhateverTheEncoding) {
  const std::string ansi = kDegreeTemplate;
  const std::string utf8 = ToUtf8(ansi);
  const BytesCase cases[] = {
      {"UTF-8", TextGauge("", utf8), "3 176 90\xC2\xB0", ""},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + TextGauge("", utf8), "3 176 90\xC2\xB0", ""},
      {"Latin-1 declared", TextGauge("<?xml version='1.0' encoding='ISO-8859-1'?>", ansi),
       "3 176 90\xC2\xB0", ""},
      {"ANSI, not declared", TextGauge("", ansi), "3 176 90\xC2\xB0", ""},
      {"Windows-1252 declared, a UTF-8-looking pair stays two bytes",
       TextGauge("<?xml version='1.0' encoding='windows-1252'?>", "%('\xC3\xA9' slen)%!d!"), "2",
       ""},
      {"UTF-16 little-endian", Utf16(TextGauge("", ansi), false), "3 176 90\xC2\xB0", ""},
      {"UTF-16 big-endian", Utf16(TextGauge("", ansi), true), "3 176 90\xC2\xB0", ""},
      {"numeric references", TextGauge("", "%('&#8364;&#x2030;' slen)%!d! %('&#8364;' ord)%!d!"),
       "2 128", ""},
      {"a character with no byte reads '?'", TextGauge("", "%('\xE2\x88\x9A' ord)%!d!"), "63",
       "warning: 1 character of scripts and texts (the first U+221A) the simulator's ANSI code "
       "page (Windows-1252) has no byte for: each reads as '?'"},
      {"chr, schr and unassigned bytes shown as \\xNN",
       TextGauge("", "%(129 chr 128 chr scat)%!s! %('a\xC2\xB0' 176 schr)%!d!"),
       "\\x81\xE2\x82\xAC 1", ""},
  };
  for (const BytesCase& c : cases) {
    const std::string file = WriteScript("texts_bytes.xml", c.gauge);
    const CommandResult result = RunRunner({file});
    EXPECT_NE(result.out.find("  text Element #1 <Text>: \"" + c.shown + "\"\n"), std::string::npos)
        << c.name << "\n"
        << result.out << result.err;
    if (c.warning.empty()) {
      EXPECT_EQ(result.out.find("warning:"), std::string::npos) << c.name << "\n" << result.out;
    } else {
      EXPECT_NE(result.out.find(c.warning), std::string::npos) << c.name << "\n" << result.out;
    }
  }
  // Script runs: the command line's UTF-8 and its numeric references alike.
  const CommandResult scripts = RunRunner({"-e", "'90\xC2\xB0' slen", "-e", "'90&#176;' 2 symb ord",
                                           "-e", "'\xE2\x82\xAC' ord", "-e", "128 chr"});
  EXPECT_EQ(scripts.out, "3\n176\n128\n\xE2\x82\xAC\n") << scripts.err;
}

// Mistakes in a gauge file's characters and macros, each named with what to
// write instead.
TEST(TextsTest, MistakesInCharactersAndMacros) {
  const MessageCase cases[] = {
      {"an HTML entity",
       ValueGauge("'90&deg;'"),
       {},
       {"2:20: error: not well-formed XML: undefined entity '&deg;': XML has only &lt; &gt; &amp; "
        "&apos; &quot; and numbers; write its number, &#176;"}},
      {"an unknown entity",
       ValueGauge("&foo; 1"),
       {},
       {"2:17: error: not well-formed XML: undefined entity '&foo;': XML has only &lt; &gt; &amp; "
        "&apos; &quot; and numbers; write the character's number, as &#176; for the degree "
        "sign"}},
      {"an entity in an attribute",
       "<Gauge Name='a&deg;'/>",
       {},
       {"1:15: error: not well-formed XML: undefined entity '&deg;'"}},
      {"a raw &",
       ValueGauge("1 1 && 1"),
       {},
       {"2:21: error: not well-formed XML: a raw '&' in text: write &amp;"}},
      {"a raw <",
       ValueGauge("(L:x) 1 < 2"),
       {},
       {"2:25: error: not well-formed XML: a raw '<' in text: write &lt;"}},
      {"a raw <=",
       ValueGauge("(L:x) 1 <= 2"),
       {},
       {"2:25: error: not well-formed XML: a raw '<' in text: write &lt;"}},
      {"an undefined macro as a word",
       ValueGauge("1 @Undefined +"),
       {},
       {"2:19: error: no macro named 'Undefined' ('@Undefined' is not a word)"}},
      {"an undefined macro in a text",
       "<Gauge><Element><Text><String>@Nope</String></Text></Element></Gauge>",
       {},
       {"1:31: warning: no macro named 'Nope': '@Nope' stays as written [Element #1 <Text>]"}},
      {"an undefined macro in a variable",
       ValueGauge("(@gps:Name, number)"),
       {},
       {"2:18: warning: no macro named 'gps': '@gps' stays as written"}},
      {"fewer arguments",
       ValueGauge("@Add(1)", "<Macro Name='Add'>@1 @2 +</Macro>"),
       {},
       {"2:17: warning: macro 'Add' uses 2 arguments (@1 to @2) and is given 1: the missing ones "
        "stand for nothing [Element #1 <Value>]"}},
      {"more arguments",
       ValueGauge("@Neg(1, 2)", "<Macro Name='Neg'>@1 neg</Macro>"),
       {},
       {"2:17: warning: macro 'Neg' uses 1 argument (@1) and is given 2: the extra ones are "
        "dropped [Element #1 <Value>]"}},
      {"no argument list",
       ValueGauge("@Neg", "<Macro Name='Neg'>@1 neg</Macro>"),
       {},
       {"2:17: warning: macro 'Neg' uses 1 argument (@1) and is given none: the missing ones "
        "stand for nothing"}},
      {"a cycle with its path",
       ValueGauge("1 @A",
                  "<Macro Name='A'>@B</Macro><Macro Name='B'>@C</Macro>"
                  "<Macro Name='C'>@A</Macro>"),
       {},
       {"2:17: error: macro 'A' expands without end: A -> B -> C -> A [Element #1 <Value>]"}},
      {"a blank after '>' makes no write",
       ValueGauge("1 (> L:x)"),
       {},
       {"2:19: warning: '(> L:x)' is not a write (a blank after '>'): it reads 0; write (>L:x)"}},
  };
  for (const MessageCase& c : cases) ExpectMessages(c);
}

}  // namespace
}  // namespace vellomar::testing
