#pragma once
// authenticateUser: a script's blocking login. See login_exports.cpp for the contract.

#include "service-client/export_frame.h"
#include "service-client/login/user_login.h"

// messageOut must hold kLoginMessageUnits units, terminator included; longer texts are cut.
inline constexpr int kLoginMessageUnits = 1024;

OV_EXPORT int OV_STDCALL authenticateUser(const ScriptWideChar* username,
                                          const ScriptWideChar* password, const ScriptWideChar* url,
                                          ScriptWideChar* messageOut, ScriptWideChar* codeOut);

// Test seam: the wait of every later authenticateUser call. The shipped library keeps the
// default (ten sleeps of 1000 ms).
void SetLoginWaitForTesting(TUserLogin::Wait wait) noexcept;
