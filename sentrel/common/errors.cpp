// The answer-code table's look-up (see errors.h).
#include "sentrel/common/errors.h"

namespace {

struct ErrorRow {
  const char* name;
  int32_t code;
};

#define VS_SENTREL_ERROR_ROW(name, value) {#name, value},
constexpr ErrorRow kErrors[] = {VS_SENTREL_ERRORS(VS_SENTREL_ERROR_ROW)};
#undef VS_SENTREL_ERROR_ROW

static_assert(kErrors[0].code == 1 && kErrors[sizeof kErrors / sizeof kErrors[0] - 1].code == -23,
              "answer codes run from 1 down to -23");

}  // namespace

const char* sentrelErrorName(int32_t code) {
  for (const ErrorRow& row : kErrors)
    if (row.code == code) return row.name;
  return nullptr;
}
