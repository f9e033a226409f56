// Calls into the module's callback objects the way the simulator does: through
// the object's table of function pointers, by slot index. Nothing here knows
// the module's own C++ declarations; the slot numbers are the binary contract.
#ifndef VELLOMAR_HOSTSIM_SLOTS_H_
#define VELLOMAR_HOSTSIM_SLOTS_H_

#include <cstdint>
#include <cstring>

// The simulator's conventions on 32-bit x86, applied on every such build
// (Windows and Linux alike) so that every call the substitute host makes into
// the module, and every entry it offers, uses them.
#if defined(__i386__)
#define HOSTSIM_THISCALL __attribute__((thiscall))
#define HOSTSIM_STDCALL __attribute__((stdcall))
#else
#define HOSTSIM_THISCALL
#define HOSTSIM_STDCALL
#endif

namespace hostsim {

// Calls slot `slot` of `object` with the member-function convention: on 32-bit
// x86, thiscall (the object in ECX, the callee pops the arguments), which GCC
// applies to a plain function pointer as well, with a warning that it is meant
// for class methods.
#if defined(__GNUC__) && defined(__i386__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif
template <class Result, class... Args>
Result CallSlot(void* object, int slot, Args... args) {
  using Fn = Result(HOSTSIM_THISCALL*)(void*, Args...);
  void* const* table = nullptr;
  std::memcpy(&table, object, sizeof(table));
  Fn fn = nullptr;
  std::memcpy(&fn, &table[slot], sizeof(fn));
  return fn(object, args...);
}
#if defined(__GNUC__) && defined(__i386__)
#pragma GCC diagnostic pop
#endif

// Slots shared by the three interfaces.
inline constexpr int kAddRefSlot = 0;
inline constexpr int kReleaseSlot = 1;
inline constexpr int kQueryInterfaceSlot = 2;

// A handle on a callback object, whichever interface it implements. It is a
// plain pointer: it owns no reference, and copying or destroying it neither
// calls AddRef nor Release. Whoever asked for the object (or called AddRef)
// owns that reference and must call Release on exactly one copy.
class CallbackObject {
 public:
  explicit CallbackObject(void* object = nullptr) : object_(object) {}
  void* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  uint32_t AddRef() const { return CallSlot<uint32_t>(object_, kAddRefSlot); }
  uint32_t Release() const { return CallSlot<uint32_t>(object_, kReleaseSlot); }
  void* QueryInterface(const char* name) const {
    return CallSlot<void*>(object_, kQueryInterfaceSlot, name);
  }

 protected:
  void* object_;
};

// The registered panel callback (IPanelCCallback, plus its own slot 8).
class PanelObject : public CallbackObject {
 public:
  enum Slot : int {
    kGetVersion = 3,
    kCreateAircraftCCallback = 4,
    kConvertStringToProperty = 5,
    kConvertPropertyToString = 6,
    kGetPropertyUnits = 7,
    kGetPropertyTable = 8,
  };
  using CallbackObject::CallbackObject;

  uint32_t GetVersion() const { return CallSlot<uint32_t>(object_, kGetVersion); }
  void* CreateAircraftCCallback(uint32_t container_id) const {
    return CallSlot<void*>(object_, kCreateAircraftCCallback, container_id);
  }
  bool ConvertStringToProperty(const char* keyword, int32_t* id) const {
    return CallSlot<bool>(object_, kConvertStringToProperty, keyword, id);
  }
  bool ConvertPropertyToString(int32_t id, const char** keyword) const {
    return CallSlot<bool>(object_, kConvertPropertyToString, id, keyword);
  }
  bool GetPropertyUnits(int32_t id, int32_t* units_code) const {
    return CallSlot<bool>(object_, kGetPropertyUnits, id, units_code);
  }
  const void* GetPropertyTable(uint32_t* length) const {
    return CallSlot<const void*>(object_, kGetPropertyTable, length);
  }
};

// IAircraftCCallback.
class AircraftObject : public CallbackObject {
 public:
  enum Slot : int { kCreateGaugeCCallback = 3, kUpdate = 4 };
  using CallbackObject::CallbackObject;

  void* CreateGaugeCCallback() const { return CallSlot<void*>(object_, kCreateGaugeCCallback); }
  void Update() const { CallSlot<void>(object_, kUpdate); }
};

// IGaugeCCallback. The overloads of each property operation sit in
// consecutive slots, text first.
class GaugeObject : public CallbackObject {
 public:
  enum Slot : int {
    kUpdate = 3,
    kGetTextValue = 4,
    kGetNumberValue = 5,
    kSetTextValue = 6,
    kSetNumberValue = 7,
    kCreateGaugeCDrawable = 8,
  };
  using CallbackObject::CallbackObject;

  void Update() const { CallSlot<void>(object_, kUpdate); }
  bool GetText(int32_t id, const char** value) const {
    return CallSlot<bool>(object_, kGetTextValue, id, value);
  }
  bool GetNumber(int32_t id, double* value) const {
    return CallSlot<bool>(object_, kGetNumberValue, id, value);
  }
  bool SetText(int32_t id, const char* value) const {
    return CallSlot<bool>(object_, kSetTextValue, id, value);
  }
  bool SetNumber(int32_t id, double value) const {
    return CallSlot<bool>(object_, kSetNumberValue, id, value);
  }
  void* CreateGaugeCDrawable(int32_t id, const void* parameters) const {
    return CallSlot<void*>(object_, kCreateGaugeCDrawable, id, parameters);
  }
};

}  // namespace hostsim

#endif  // VELLOMAR_HOSTSIM_SLOTS_H_
