//+------------------------------------------------------------------+
//| OvilexLogin.mq4: logs a user in and deciphers the session token. |
//| authenticateUser blocks for up to about ten seconds: call it     |
//| from a script, never from an expert's OnTick.                    |
//+------------------------------------------------------------------+
#property strict
#property show_inputs
#include <Ovilex.mqh>

input string LoginUrl = "https://service.example/login";
input string User = "trader";
input string Password = "";

void OnStart()
  {
   string message;
   if(!OvLogin(User, Password, LoginUrl, message))
     {
      Alert("Login failed: ", message);
      return;
     }
   Print("encrypted token: ", message);
   Print("session token: ", OvDecrypt(message));
  }
//+------------------------------------------------------------------+
