// The host's C-callback interfaces.
//
// The order of the virtual functions below is a binary contract with a
// separately compiled host: it calls them by slot index through the object's
// table of function pointers. Slots are numbered from 0 in declaration order.
// Nothing may be added, removed or reordered, and no interface may gain a
// virtual destructor (it would take a slot). The destructors are protected and
// non-virtual: objects are destroyed by their own Release.
//
// Threading: the host makes every call one at a time.
#ifndef VELLOMAR_HOST_CALLBACK_INTERFACES_H_
#define VELLOMAR_HOST_CALLBACK_INTERFACES_H_

#include <cstdint>

// Opaque host types that appear only in signatures.
struct IGaugeCDrawable;
struct IGaugeCDrawableCreateParameters;

class IAircraftCCallback;
class IGaugeCCallback;

// Registered once, under a name, with panel_register_c_callback.
class IPanelCCallback {
 public:
  virtual uint32_t AddRef() = 0;                                           // 0
  virtual uint32_t Release() = 0;                                          // 1
  virtual IPanelCCallback* QueryInterface(const char* interface_name) = 0; // 2
  virtual uint32_t GetVersion() = 0;                                       // 3
  virtual IAircraftCCallback* CreateAircraftCCallback(uint32_t container_id) = 0;  // 4
  virtual bool ConvertStringToProperty(const char* keyword, int32_t* id) = 0;      // 5
  virtual bool ConvertPropertyToString(int32_t id, const char** keyword) = 0;      // 6
  virtual bool GetPropertyUnits(int32_t id, int32_t* units_code) = 0;              // 7

 protected:
  ~IPanelCCallback() = default;
};

class IAircraftCCallback {
 public:
  virtual uint32_t AddRef() = 0;                                              // 0
  virtual uint32_t Release() = 0;                                             // 1
  virtual IAircraftCCallback* QueryInterface(const char* interface_name) = 0; // 2
  virtual IGaugeCCallback* CreateGaugeCCallback() = 0;                        // 3
  virtual void Update() = 0;                                                  // 4

 protected:
  ~IAircraftCCallback() = default;
};

// The two overloads of each property operation take consecutive slots, the
// text overload first.
class IGaugeCCallback {
 public:
  virtual uint32_t AddRef() = 0;                                           // 0
  virtual uint32_t Release() = 0;                                          // 1
  virtual IGaugeCCallback* QueryInterface(const char* interface_name) = 0; // 2
  virtual void Update() = 0;                                               // 3
  virtual bool GetPropertyValue(int32_t id, const char** value) = 0;       // 4
  virtual bool GetPropertyValue(int32_t id, double* value) = 0;            // 5
  virtual bool SetPropertyValue(int32_t id, const char* value) = 0;        // 6
  virtual bool SetPropertyValue(int32_t id, double value) = 0;             // 7
  virtual IGaugeCDrawable* CreateGaugeCDrawable(
      int32_t id, const IGaugeCDrawableCreateParameters* parameters) = 0;  // 8

 protected:
  ~IGaugeCCallback() = default;
};

#endif  // VELLOMAR_HOST_CALLBACK_INTERFACES_H_
