#include "jpeg_errors.h"

#include <jerror.h>

namespace kalvimo::codecs {

jpeg_error_mgr* UseJpegErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = FailJpeg;
    errors.manager.output_message = [](j_common_ptr) {};
    return &errors.manager;
}

void FailJpeg(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    const int code = info->err->msg_code;
    // Going over the memory ceiling shows up as a want of backing store, which says little.
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) {
        std::snprintf(errors->message, sizeof errors->message, "not enough memory");
    } else {
        (*info->err->format_message)(info, errors->message);
    }
    std::longjmp(errors->jump, 1);
}

} // namespace kalvimo::codecs
