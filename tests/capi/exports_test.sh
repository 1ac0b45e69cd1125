#!/usr/bin/env bash
# The shared library's SONAME and what it exports: the C interface (qmz_*) and the public C++
# classes and functions of include/qmz, nothing of SQLite, Qt or the internals.
#   exports_test.sh <libqmzbaselist.so>
set -euo pipefail
library=$1
soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
test "$soname" = libqmzbaselist.so.1 || { echo "SONAME is '$soname'" >&2; exit 1; }

public='Object|Variant|Dictionary|Vector|Recordset|Error|Component|ClassInfo|CacheFacade|ShareProps'
public+='|SecurityInfo|GLData|ItemInfo|SystemProfile|ClassUserProfileInfo|ClassUserProfileUpdate'
public+='|IniFile|Chameleon|ComponentRegistry|DialogSession|BaseList'
functions='DoubleToText|ParseNumber|NullToDefault|CurrentProcessId|PublishHostProperties'
functions+='|WithdrawHostProperties|PublishedHostProperties|ScreenMousePointer|SetScreenMousePointer'
functions+='|SetMousePointerListener|OpenSuite|CloseSuite|LogIn|CreateDemoDatabase|CreateLargeDatabase'
functions+='|OpenQtDialogs|OpenScriptedDialogs|HasQtDialogs|HasDisplay|RegisterBaseListClass'
functions+='|LastFailure|LastWarning'
allowed="^(qmz_[a-z_]+|(typeinfo name for |typeinfo for |vtable for )?qmz::($public)(::.*)?"
allowed+="|qmz::($functions)(\[abi:cxx11\])?\(.*|QMZBASELIST_1)$"

symbols=$(nm -D --defined-only "$library" | awk '{print $3}' | sed 's/@.*//' | c++filt)
strays=$(grep -vE "$allowed" <<<"$symbols" || true)
if [ -n "$strays" ]; then
  echo "exported beyond the C interface and the public C++ API:" >&2
  head -20 <<<"$strays" >&2
  exit 1
fi
for wanted in qmz_session_open qmz_invoke qmz_result_json qmz_value_json qmz_last_error \
  "qmz::BaseList::Invoke(" "qmz::OpenSuite(" "qmz::CloseSuite(" "vtable for qmz::Dictionary"; do
  grep -qF "$wanted" <<<"$symbols" || { echo "not exported: $wanted" >&2; exit 1; }
done
echo "$(wc -l <<<"$symbols") symbols, $(grep -c '^qmz_' <<<"$symbols") of the C interface"
