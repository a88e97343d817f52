// The well-known symbols (see well_known_symbols.h).
#include "vm/core/model/well_known_symbols.h"

#include <cstring>

#include "vm/core/model/basic_types.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/names.h"
#include "vm/core/model/symbols.h"

VS_VMBSS(VmRef[kWellKnownCount]) vsWellKnownSymbols;

namespace {

constexpr WellKnownDefinition kDefinitions[kWellKnownCount] = {
#define VS_WELL_KNOWN_DEFINITION(slot, form, text) {WellKnownForm::form, text},
    VS_WELL_KNOWN_SYMBOLS(VS_WELL_KNOWN_DEFINITION)
#undef VS_WELL_KNOWN_DEFINITION
};

// The eight primitive types have one-letter field-type slots from kSymTypeByte.
constexpr int kPrimitiveSlots = 8;

constexpr bool slotsHoldOneLetter() {
  for (int i = 0; i < kPrimitiveSlots; ++i) {
    const WellKnownDefinition& d = kDefinitions[kSymTypeByte + i];
    if (d.form != WellKnownForm::FieldType || d.text[0] == '\0' || d.text[1] != '\0') return false;
  }
  return true;
}

static_assert(slotsHoldOneLetter(), "the primitive slots are one-letter field types");

bool isOneLetter(const WellKnownDefinition& d) { return d.form == WellKnownForm::FieldType && d.text[1] == '\0'; }

}  // namespace

const WellKnownDefinition& vsWellKnown_definition(WellKnown slot) { return kDefinitions[slot]; }

WellKnown vsWellKnown_findName(const char* text) {
  for (int i = 0; i < kWellKnownCount; ++i)
    if (kDefinitions[i].form == WellKnownForm::Name && std::strcmp(kDefinitions[i].text, text) == 0)
      return static_cast<WellKnown>(i);
  return kWellKnownCount;
}

VmRef vsWellKnown_primitiveType(uint8_t letter) {
  if (!vsBasicType_isPrimitiveLetter(letter)) return 0;
  for (int i = 0; i < kPrimitiveSlots; ++i)
    if (kDefinitions[kSymTypeByte + i].text[0] == static_cast<char>(letter)) return vsWellKnownSymbols[kSymTypeByte + i];
  return 0;
}

int32_t vsWellKnown_createNames() {
  for (int i = 0; i < kWellKnownCount; ++i) {
    const WellKnownDefinition& d = kDefinitions[i];
    if (d.form != WellKnownForm::Name && !isOneLetter(d)) continue;
    const VmRef symbol = vsSymbol_fromCString(d.text, false);
    if (symbol == 0) return 0;
    vsWellKnownSymbols[i] = symbol;
    if (d.form == WellKnownForm::FieldType) vsSymbol_markFieldType(symbol);
  }
  return 1;
}

int32_t vsWellKnown_createEncoded() {
  for (int i = 0; i < kWellKnownCount; ++i) {
    const WellKnownDefinition& d = kDefinitions[i];
    if (d.form == WellKnownForm::Name || isOneLetter(d)) continue;
    const DescriptorText text{reinterpret_cast<const uint8_t*>(d.text), nullptr, 0,
                              static_cast<uint32_t>(std::strlen(d.text))};
    const VmRef symbol = vsDescriptor_parse(text);
    if (symbol == 0) return 0;
    vsWellKnownSymbols[i] = symbol;
  }
  return 1;
}
