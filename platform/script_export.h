#pragma once
// How the libraries export their functions to terminal scripts. Scripts import them by name.

// Exports are stdcall (the callee removes the arguments) and exported under their undecorated
// names; the 32-bit link strips the stdcall decoration (--kill-at).
#if defined(_WIN32)
#define OV_STDCALL __stdcall
#define OV_EXPORT extern "C" __declspec(dllexport)
#else
#define OV_STDCALL
#define OV_EXPORT extern "C" __attribute__((visibility("default")))
#endif
