// Calling conventions of the host.
//
// The 32-bit Windows host calls DLLStart, DLLStop and its own panel-services
// entries with stdcall (the callee pops the arguments), and the callback
// interfaces' methods with thiscall (the object in ECX, the callee pops the
// arguments). Both are declared on every 32-bit x86 build, Linux included,
// where the compiler honours them just the same: the suites that run there
// call the module with these conventions and would fail on any mismatch. Other
// targets have one convention for everything and the macros are empty.
#ifndef VELLOMAR_HOST_CALLING_CONVENTION_H_
#define VELLOMAR_HOST_CALLING_CONVENTION_H_

#if defined(__i386__) && (defined(__GNUC__) || defined(__clang__))
#define VELLOMAR_STDCALL __attribute__((stdcall))
#define VELLOMAR_THISCALL __attribute__((thiscall))
#elif defined(_M_IX86)
#define VELLOMAR_STDCALL __stdcall
#define VELLOMAR_THISCALL __thiscall
#else
#define VELLOMAR_STDCALL
#define VELLOMAR_THISCALL
#endif

#endif  // VELLOMAR_HOST_CALLING_CONVENTION_H_
