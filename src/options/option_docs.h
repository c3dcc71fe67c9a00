#ifndef MARL_OPTIONS_OPTION_DOCS_H_
#define MARL_OPTIONS_OPTION_DOCS_H_

#include <functional>
#include <string>

#include "options/option_table.h"

namespace marl {

// The texts made from the option table, so that none of them drifts from
// it: the program marl_options_doc prints them, and a test compares them
// with the committed files.

// docs/options.md: the reference table in Markdown.
std::string optionsMarkdown();
// The body of the man page's OPTIONS section, after its .SH line.
std::string optionsManSection();
// completions/marl.bash, the whole script. `words` gives the words an
// option's value may be, space-separated, for every WordSource but Files
// (Fixed included): the rooms that know them sit above this one.
std::string bashCompletion(
    const std::function<std::string(const OptionSpec&)>& words);
// Every key, one a line, as key= when it takes a value, with its one-line
// help after a tab.
std::string keyList();

}  // namespace marl

#endif  // MARL_OPTIONS_OPTION_DOCS_H_
