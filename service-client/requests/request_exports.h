#pragma once
// The asynchronous-request exports: a script sets an optional proxy, creates a request and gets
// its id at once, polls it, reads the error code and the response or the error text in pieces
// into buffers of its own, and releases the id. See request_exports.cpp for each contract.

#include "service-client/export_frame.h"

OV_EXPORT int OV_STDCALL ov_initProxySettings(const char* server, int port, const char* username,
                                              const char* password);
OV_EXPORT int OV_STDCALL ov_setCertificateCheck(int enabled);
OV_EXPORT int OV_STDCALL ov_createAsynchRequest(const char* url, int connectTimeout,
                                                int readTimeout);
OV_EXPORT void OV_STDCALL ov_destroyAsynchRequest(int id);
OV_EXPORT int OV_STDCALL ov_isAsynchRequestComplete(int id);
OV_EXPORT int OV_STDCALL ov_isAsynchRequestError(int id);
OV_EXPORT int OV_STDCALL ov_getErrorCode(int id);
OV_EXPORT int OV_STDCALL ov_getErrorDescription(int id, char* buffer, int offset, int count);
OV_EXPORT int OV_STDCALL ov_getAsynchResponse(int id, char* buffer, int offset, int count);

// The wide family (UTF-16 texts, exact units) and the raw body.
OV_EXPORT int OV_STDCALL ov_initProxySettingsW(const ScriptWideChar* server, int port,
                                               const ScriptWideChar* username,
                                               const ScriptWideChar* password);
OV_EXPORT int OV_STDCALL ov_createAsynchRequestW(const ScriptWideChar* url, int connectTimeout,
                                                 int readTimeout);
OV_EXPORT int OV_STDCALL ov_getErrorDescriptionW(int id, ScriptWideChar* buffer, int offset,
                                                 int count);
OV_EXPORT int OV_STDCALL ov_getAsynchResponseW(int id, ScriptWideChar* buffer, int offset,
                                               int count);
OV_EXPORT int OV_STDCALL ov_getResponseLength(int id);
OV_EXPORT int OV_STDCALL ov_getResponseBytes(int id, unsigned char* buffer, int offset, int count);
