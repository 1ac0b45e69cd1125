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
// A host property read as a truth value; one that is no truth value reads as unset (false).
bool GetHostFlag(const std::string& key);

bool IsICClosed();          // ICClosed, default true
int32_t GetAppType();       // AppType, default 2
int32_t GetIndustryType();  // IndustryType, default 0

}  // namespace qmz
