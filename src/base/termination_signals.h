#ifndef MARL_BASE_TERMINATION_SIGNALS_H_
#define MARL_BASE_TERMINATION_SIGNALS_H_

namespace marl {

// Makes SIGINT, SIGTERM and SIGHUP remove the listed temporary files (see
// files_to_remove.h) and end the process at once with status 128 + the
// signal's number; finished files stay. A signal the process was started
// with ignored (as nohup does) stays ignored. SIGXFSZ and SIGPIPE are
// ignored, so that a write beyond the file-size limit (EFBIG) or to a pipe
// whose reader has gone (EPIPE) fails and is reported like any other failed
// write instead of killing the process.
void installTerminationHandlers();

}  // namespace marl

#endif  // MARL_BASE_TERMINATION_SIGNALS_H_
