#ifndef MARL_IMAGE_JPEG_ERRORS_H_
#define MARL_IMAGE_JPEG_ERRORS_H_

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace marl {

// libjpeg reports errors by calling error_exit, which must not return. This
// one keeps the message and jumps back to the setjmp on `jump`, in a
// function kept free of C++ objects: a long jump skips destructors.
// Warnings are not printed.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];

  // Sets `errors` up as an error manager, to be put in a libjpeg
  // object's `err`.
  static jpeg_error_mgr* install(JpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.manager);
    manager->error_exit = [](j_common_ptr cinfo) {
      auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
      e->manager.format_message(cinfo, e->message);
      std::longjmp(e->jump, 1);
    };
    manager->output_message = [](j_common_ptr) {};
    return manager;
  }
};

}  // namespace marl

#endif  // MARL_IMAGE_JPEG_ERRORS_H_
