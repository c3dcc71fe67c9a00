#include <unistd.h>

#include <ctime>
#include <iostream>

#include "driver/driver.h"

int main(int argc, char** argv) {
  return marl::runMarl(argc, argv, std::cout, std::cerr,
                       [] { return std::time(nullptr); },
                       isatty(STDERR_FILENO) == 1);
}
