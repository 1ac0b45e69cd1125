// The outside components and the registry that creates them by ProgID.
//
// Every component the library calls lies outside it (the suite's middle tier). Each is created
// for one call, used once and released at scope end. Creation goes through the process-wide
// ComponentRegistry, which maps a ProgID (or a class id in braces) to a factory. A ProgID that
// is not registered, a factory that fails, or a component that lacks the wanted interface
// raises an Error in the caller, exactly like a failed creation.
//
// Components also answer late-bound calls by member name through Invoke; the typed interfaces
// below carry the argument orders the library relies on.
//
// Registration happens while the host starts (or a test sets up) and is not synchronised: the
// library is only entered from the host's user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qmz/error.h"
#include "qmz/recordset.h"
#include "qmz/variant.h"

namespace qmz {

namespace progid {
inline constexpr char kClassInfo[] = "QMZMClass.ClassInfo";
inline constexpr char kCacheFacade[] = "QMZMtsCacheService.CacheFacade";
inline constexpr char kShareProps[] = "QMZPropsMgr.ShareProps";
inline constexpr char kSecurityInfo[] = "QMZEBSBase.SecurityInfo";
inline constexpr char kGLData[] = "QMZEBCGLView.GLData";
inline constexpr char kItemInfo[] = "QMZEBSGLItem.ItemInfo";
inline constexpr char kSystemProfile[] = "QMZEBSBase.SystemProfile";
inline constexpr char kUserProfileInfo[] = "QMZMProfile.ClassUserProfileInfo";
inline constexpr char kUserProfileUpdate[] = "QMZMProfile.ClassUserProfileUpdate";
inline constexpr char kIniFile[] = "{EECE2D1B-F493-4525-B753-DA5891F96F20}";
inline constexpr char kChameleon[] = "QMZ_ISIC.Chameleon";
inline constexpr char kBaseList[] = "QMZBaseList.BaseList";
inline constexpr char kBaseListClassId[] = "{942525AF-49FE-4A89-8DA1-9A6964F14C86}";
}  // namespace progid

// Anything creatable by ProgID. Invoke calls a member by name; the default raises an Error
// naming the member ("Object doesn't support this property or method").
class Component : public Object {
 public:
  virtual Variant Invoke(const std::string& member, std::vector<Variant>& args);
};
using ComponentPtr = std::shared_ptr<Component>;

// QMZMClass.ClassInfo: runs an SQL text (a batch of statements) for the logged-in user.
class ClassInfo : public Component {
 public:
  virtual RecordsetPtr GetData(const std::string& props_string, const std::string& sql) = 0;
};

// QMZMtsCacheService.CacheFacade: the login cache of the host process.
class CacheFacade : public Component {
 public:
  virtual Variant GetItem(int32_t process_id, const std::string& key) = 0;
};

// QMZPropsMgr.ShareProps: the shared login properties of the host process.
class ShareProps : public Component {
 public:
  virtual Variant GetProperty(int32_t process_id, const std::string& key) = 0;
};

// QMZEBSBase.SecurityInfo (created through the object factory).
class SecurityInfo : public Component {
 public:
  virtual Variant NeedAutorized(const std::string& props_string) = 0;
  virtual Variant AccessCheck(const std::string& props_string, int32_t a, int32_t b, int32_t c,
                              bool flag, const std::string& text) = 0;
};

// QMZEBCGLView.GLData.
class GLData : public Component {
 public:
  virtual Variant GetAuthItemClassList() = 0;
};

// QMZEBSGLItem.ItemInfo (object factory): whether an item's batches are tracked by number.
class ItemInfo : public Component {
 public:
  virtual Variant ISBatchManagerByNoTrack80(const std::string& props_string, int32_t item_id) = 0;
};

// QMZEBSBase.SystemProfile.
class SystemProfile : public Component {
 public:
  virtual Variant GetProfile(const std::string& props_string, const std::string& category,
                             const std::string& key) = 0;
};

// QMZMProfile.ClassUserProfileInfo (object factory): the user's saved text, empty when none.
class ClassUserProfileInfo : public Component {
 public:
  virtual Variant GetUserProfile(const std::string& props_string, const std::string& section,
                                 const std::string& key) = 0;
};

// QMZMProfile.ClassUserProfileUpdate (object factory).
class ClassUserProfileUpdate : public Component {
 public:
  virtual void SaveUserProfile(const std::string& props_string, const std::string& section,
                               const std::string& key, const std::string& text) = 0;
};

// The INI settings component: one file, read and written by section and key.
class IniFile : public Component {
 public:
  virtual void SetFile(const std::string& path) = 0;
  virtual std::string Read(const std::string& section, const std::string& key,
                           const std::string& fallback) = 0;
  virtual void Write(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
  // Several keys of one section in one write; by default one Write per key.
  virtual void WriteAll(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [key, value] : entries) Write(section, key, value);
  }
};

// QMZ_ISIC.Chameleon: the form skin; each dialog hands it its grid once while loading.
class Chameleon : public Component {
 public:
  virtual void Apply(const ObjectPtr& control) = 0;
};

using ComponentFactory = std::function<ComponentPtr()>;

class ComponentRegistry {
 public:
  static ComponentRegistry& Instance();

  // Adds or replaces the factory of a ProgID (or class id, braces included).
  void Register(const std::string& prog_id, ComponentFactory factory);
  void Unregister(const std::string& prog_id);
  bool IsRegistered(const std::string& prog_id) const;
  // The registered factory (to wrap it), or an empty one.
  ComponentFactory Factory(const std::string& prog_id) const;

  // A fresh component; Error when the ProgID is unknown or its factory fails.
  ComponentPtr Create(const std::string& prog_id) const;

 private:
  std::map<std::string, ComponentFactory> factories_;
};

// Creates a component and asks it for interface I; Error when it lacks it.
template <class I>
std::shared_ptr<I> CreateComponent(const std::string& prog_id) {
  auto typed = std::dynamic_pointer_cast<I>(ComponentRegistry::Instance().Create(prog_id));
  if (!typed) throw Error("Object doesn't support this interface: " + prog_id);
  return typed;
}

}  // namespace qmz
