// The host property dictionary, borrowed from the host process (see qmz/host.h).
//
// GetHostProp never fails: any failure gives the default (Empty when none is given).
// SetHostProp fails with qmz::Error when the host published no dictionary.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/variant.h"

namespace qmz {

Variant GetHostProp(const std::string& key, const Variant& fallback = Variant());
void SetHostProp(const std::string& key, const Variant& value);
// A host flag: 1/0, true/false, yes/no, on/off (any case, blanks around), a Boolean; unset or
// blank reads false. Anything else raises qmz::Error naming the property and its value.
bool GetHostFlag(const std::string& key);

bool IsICClosed();          // ICClosed, default true
int32_t GetAppType();       // AppType, default 2
int32_t GetIndustryType();  // IndustryType, default 0

}  // namespace qmz
