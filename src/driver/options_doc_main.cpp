// marl_options_doc markdown|man|bash|keys: prints a text made from the
// option table, for the files that must not drift from it.
#include <cstring>
#include <iostream>

#include "driver/option_words.h"
#include "options/option_docs.h"

int main(int argc, char** argv) {
  const char* what = argc == 2 ? argv[1] : "";
  if (std::strcmp(what, "markdown") == 0) {
    std::cout << marl::optionsMarkdown();
  } else if (std::strcmp(what, "man") == 0) {
    std::cout << marl::optionsManSection();
  } else if (std::strcmp(what, "bash") == 0) {
    std::cout << marl::bashCompletion(marl::optionWords);
  } else if (std::strcmp(what, "keys") == 0) {
    std::cout << marl::keyList();
  } else {
    std::cerr << "usage: marl_options_doc markdown|man|bash|keys\n";
    return 2;
  }
  return std::cout.flush() ? 0 : 1;
}
