#pragma once
// Which matrix the learners learn from: the vocabulary's correlation_type,
// under the name the rooms below the library use.

#include "gaussnet/vocabulary.h"

namespace gaussnet {

using correlation_kind = api::correlation_type;
using api::correlation_name;

}  // namespace gaussnet
