#include "job/job_console.h"

namespace marl {

std::string QuietConsole::takeDiagnostics() {
  std::string text = diagnostics_.str();
  diagnostics_.str("");
  return text;
}

}  // namespace marl
