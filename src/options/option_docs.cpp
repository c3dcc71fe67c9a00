#include "options/option_docs.h"

#include <cctype>
#include <map>
#include <vector>

namespace marl {

namespace {

// The options of one docs row: an option and those after it sharing it.
std::vector<std::vector<const OptionSpec*>> docRows() {
  std::vector<std::vector<const OptionSpec*>> rows;
  for (const OptionSpec& spec : optionTable()) {
    if (spec.sameRow && !rows.empty()) {
      rows.back().push_back(&spec);
    } else {
      rows.push_back({&spec});
    }
  }
  return rows;
}

std::string meaningOf(const OptionSpec& spec) {
  return *spec.meaning ? spec.meaning : spec.help;
}

const char MarkdownIntro[] =
    "Options are `key=value` words on the command line, in any order. Keys "
    "are\ncase-sensitive. The first value given for a key wins. Numbers that "
    "do not\nparse read as 0 (`nan` and `inf` too) and then meet the limits "
    "below; each\nvalue that is not a number or that a limit changes is named "
    "in one warning\non standard error (`marl: warning: size=39 is below 40; "
    "using 40`).\nNumbers beyond 32 bits are taken as the nearest 32-bit "
    "limit, except `it`,\nwhich takes 64-bit counts. The keys marked "
    "\"recipe\" are written by marl\ninto every picture; they are read back "
    "by `file=PICTURE` and checked as a\nwhole. The limits below are what the "
    "command line and a parameter file\nmeet; a value read from a picture's "
    "recipe must already be within them, or\nnothing is made.\n";

const char MarkdownOutro[] =
    "The `q` options are read only with `quazi=true`; the animation options "
    "(`loop`,\n`plane`, `morph`, `only`, `keyframes`, `video`, `fps`, "
    "`keepframes`) only\nwith `frames`. `help`, `-h`, `version` and "
    "`--version` work as bare words\nonly before the first `key=value` word; "
    "as keys (`help=yes`) they work\nanywhere. The usage text the program "
    "prints is kept as it always was; where\nit differs from this table "
    "(default side 1200, detail 3 to 12, `-f filename`,\nthe `qscale`/`qsep` "
    "ranges swapped), this table says what the program does.\n\nWords nobody "
    "reads (an unknown key such as `sise=300`, a bare word after the\nfirst "
    "pair, `-f`) are named in a warning on standard error.\n";

// Text for roff: a backslash is \e, a literal in backticks bold, with its
// minus signs as \-, and each sentence on a line of its own.
std::string roff(const std::string& text) {
  std::string out;
  bool literal = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '`') {
      out += literal ? "\\fR" : "\\fB";
      literal = !literal;
    } else if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && literal) {
      out += "\\-";
    } else if (c == ' ' && i > 0 && text[i - 1] == '.' && !literal) {
      out += '\n';
    } else {
      out += c;
    }
  }
  return out;
}

std::string sentence(const std::string& text) {
  std::string s = text;
  if (!s.empty() && s[0] != '`')
    s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
  if (!s.empty() && s.back() != '.') s += '.';
  return s;
}

std::string manTag(const std::vector<const OptionSpec*>& row) {
  std::string tag;
  for (const OptionSpec* spec : row) {
    if (!tag.empty()) tag += ", ";
    tag += "\\fB";
    for (const char* c = spec->key; *c; ++c)
      tag += *c == '-' ? "\\-" : std::string(1, *c);
    tag += spec->kind == OptionKind::Word
               ? std::string("\\fR")
               : std::string("=\\fI") + spec->value + "\\fR";
  }
  return tag;
}

// Words joined with spaces, wrapped before `width` columns, each line after
// the first indented by `indent`.
std::string wrapped(const std::string& words, std::size_t first,
                    std::size_t width, const std::string& indent) {
  std::string out;
  std::size_t column = first;
  bool lineStart = true;
  std::size_t at = 0;
  while (at < words.size()) {
    std::size_t end = words.find(' ', at);
    if (end == std::string::npos) end = words.size();
    const std::string word = words.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!lineStart && column + 1 + word.size() > width) {
      out += "\n" + indent;
      column = indent.size();
    } else if (!lineStart) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineStart = false;
  }
  return out;
}

// roff text as lines of at most 78 columns; a line that would begin with
// a control character is guarded.
std::string manLines(const std::string& text) {
  std::string out;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const std::string line = wrapped(text.substr(from, end - from), 0, 78, "");
    std::size_t at = 0;
    while (at <= line.size()) {
      std::size_t stop = line.find('\n', at);
      if (stop == std::string::npos) stop = line.size();
      const std::string piece = line.substr(at, stop - at);
      if (!piece.empty() && (piece[0] == '.' || piece[0] == '\''))
        out += "\\&";
      out += piece + "\n";
      at = stop + 1;
    }
    from = end + 1;
  }
  return out;
}

}  // namespace

std::string optionsMarkdown() {
  std::string md =
      "# Options\n\n"
      "<!-- Made by `marl_options_doc markdown` from the option table in "
      "src/options/;\n     edit the table, not this file. -->\n\n";
  md += MarkdownIntro;
  md += "\n| Option | Meaning | Default | Limits applied |\n"
        "|---|---|---|---|\n";
  for (const auto& row : docRows()) {
    std::string keys;
    for (const OptionSpec* spec : row)
      keys += (keys.empty() ? "`" : ", `") + std::string(spec->key) + "`";
    const OptionSpec& first = *row.front();
    md += "| " + keys + " | " + meaningOf(first) + " | " + first.byDefault +
          " | " + first.limits + " |\n";
  }
  md += "\n";
  md += MarkdownOutro;
  return md;
}

std::string optionsManSection() {
  std::string man =
      ".\\\" Made by marl_options_doc man from the option table in "
      "src/options/.\n"
      "Options are\n.IR key = value\nwords, in any order.\n"
      "Keys are case-sensitive and the first value given for a key wins.\n"
      "Numbers that do not parse read as 0\n"
      ".RB ( nan\nand\n.B inf\n"
      "too) and then meet the limits below; each value that is not a number "
      "or\nthat a limit changes is named in one warning.\n"
      "Numbers beyond 32 bits are taken as the nearest 32-bit limit, except\n"
      ".BR it ,\nwhich takes 64-bit counts.\n"
      "These limits hold for the command line and a parameter file; a value "
      "read\nfrom a picture's recipe is not changed but refused (see\n"
      ".BR RECIPES ).\n"
      "Words nobody reads (an unknown key, a bare word after the first pair,\n"
      ".BR \\-f )\nare named in a warning.\n";
  for (const auto& row : docRows()) {
    const OptionSpec& first = *row.front();
    man += ".TP\n" + manTag(row) + "\n" +
           manLines(roff(sentence(meaningOf(first))));
    if (*first.byDefault)
      man += manLines(
          roff(sentence(std::string("Default: ") + first.byDefault)));
    if (*first.limits)
      man += manLines(
          roff(sentence(std::string("Limits: ") + first.limits)));
  }
  return man;
}

std::string bashCompletion(
    const std::function<std::string(const OptionSpec&)>& words) {
  std::string keys, bare;
  for (const OptionSpec& spec : optionTable()) {
    if (spec.kind == OptionKind::Word) {
      bare += (bare.empty() ? "" : " ") + std::string(spec.key);
    } else {
      keys += (keys.empty() ? "" : " ") + std::string(spec.key) + "=";
    }
  }
  // The value words of each option, options with the same words together,
  // in the order of the table.
  std::vector<std::pair<std::string, std::string>> cases;
  std::string files;
  for (const OptionSpec& spec : optionTable()) {
    if (spec.words == WordSource::None) continue;
    if (spec.words == WordSource::Files) {
      files += (files.empty() ? "" : " | ") + std::string(spec.key);
      continue;
    }
    const std::string list = words(spec);
    bool joined = false;
    for (auto& c : cases) {
      if (c.second == list) {
        c.first += std::string(" | ") + spec.key;
        joined = true;
      }
    }
    if (!joined) cases.emplace_back(spec.key, list);
  }
  std::string script =
      "# bash completion for marl(1), made by marl_options_doc bash from the\n"
      "# option table in src/options/: option keys as key=, the words each\n"
      "# value may be, file names after file=, basename= and morph=. Uses only"
      "\n# bash builtins, so it works without the bash-completion package's\n"
      "# helpers.\n\n"
      "_marl() {\n"
      "  # The whole word being typed: bash splits key=value at the '=' when "
      "'=' is\n"
      "  # in COMP_WORDBREAKS, so read it from the line instead of "
      "COMP_WORDS.\n"
      "  local line=${COMP_LINE:0:COMP_POINT}\n"
      "  local word=${line##*[[:space:]]}\n"
      "  COMPREPLY=()\n\n"
      "  if [[ $word != *=* ]]; then\n"
      "    local keys=\"" + wrapped(keys, 16, 78, "      ") + "\"\n"
      "    # Bare words count only before the first key=value word.\n"
      "    local before=${line%\"$word\"}\n"
      "    [[ $before == *=* ]] || keys+=\" " + bare + "\"\n"
      "    COMPREPLY=($(compgen -W \"$keys\" -- \"$word\"))\n"
      "    [[ \" ${COMPREPLY[*]} \" == *\"= \"* ]] && compopt -o nospace "
      "2>/dev/null\n"
      "    return 0\n"
      "  fi\n\n"
      "  local key=${word%%=*} value=${word#*=}\n"
      "  case $key in\n";
  for (const auto& c : cases) {
    const std::string head = "    " + c.first + ") COMPREPLY=($(compgen -W \"";
    script += head + wrapped(c.second, head.size(), 74, "      ") +
              "\" -- \"$value\")) ;;\n";
  }
  script +=
      "    " + files + ")\n"
      "      compopt -o filenames 2>/dev/null\n"
      "      local IFS=$'\\n'\n"
      "      COMPREPLY=($(compgen -f -- \"$value\"))\n"
      "      ;;\n"
      "  esac\n"
      "  # Without '=' in COMP_WORDBREAKS the reply replaces the whole "
      "key=value.\n"
      "  if [[ $COMP_WORDBREAKS != *=* ]]; then\n"
      "    COMPREPLY=(\"${COMPREPLY[@]/#/$key=}\")\n"
      "  fi\n"
      "  return 0\n"
      "}\n"
      "complete -F _marl marl\n";
  return script;
}

std::string keyList() {
  std::string list;
  std::string help;
  for (const OptionSpec& spec : optionTable()) {
    if (!spec.sameRow) help = spec.help;
    list += std::string(spec.key) +
            (spec.kind == OptionKind::Word ? "" : "=") + "\t" + help + "\n";
  }
  return list;
}

}  // namespace marl
