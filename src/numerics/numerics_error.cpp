#include <string>

#include "common/run_context.h"
#include "numerics/numerics.h"

namespace gaussnet {

// A report never stops the computation: the caller goes on with a defined value.
void numerics_error(const char* routine, const char* message) {
    // One message for both lines, so that reports from several threads stay whole.
    current_context().report(event_kind::special_function,
                             std::string("Numerics Error in routine ") + routine + "\n    " + message + "\n");
}

}  // namespace gaussnet
