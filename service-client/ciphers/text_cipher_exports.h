#pragma once
// The text-encryption exports; see text_cipher_exports.cpp for their contract.

#include "service-client/export_frame.h"

OV_EXPORT int OV_STDCALL ov_Encrypt(char* text, char* output, int size);
OV_EXPORT int OV_STDCALL ov_Decrypt(char* text, char* output, int size);
