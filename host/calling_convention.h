// Calling conventions of the host.
//
// The 32-bit Windows host calls DLLStart, DLLStop and its own panel-services
// entries with stdcall, and the callback interfaces' methods with the
// compiler's default member-function convention (thiscall). Every other build
// uses the platform's default convention throughout.
#ifndef VELLOMAR_HOST_CALLING_CONVENTION_H_
#define VELLOMAR_HOST_CALLING_CONVENTION_H_

#if defined(_WIN32) && defined(__i386__)
#define VELLOMAR_STDCALL __attribute__((stdcall))
#elif defined(_WIN32) && defined(_M_IX86)
#define VELLOMAR_STDCALL __stdcall
#else
#define VELLOMAR_STDCALL
#endif

#endif  // VELLOMAR_HOST_CALLING_CONVENTION_H_
