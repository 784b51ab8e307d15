// The string table for systems without module resources: registered when the library is
// loaded, withdrawn when it is unloaded.
#include "vestrel/resources/resource.h"

#include "platform/module.h"

namespace {

const PlatformStringResource kStrings[] = {
#define VESTREL_STRING(id, text) {id, text},
#include "vestrel/resources/strings.inc"
#undef VESTREL_STRING
};

PlatformTableRegistration<PlatformStringResource> registration(kStrings, PlatformRegisterStrings,
                                                               PlatformUnregisterStrings);

} // namespace
