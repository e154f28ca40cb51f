//+------------------------------------------------------------------+
//| OvilexCipherRound.mq4: the two ciphers under the library's key.  |
//| ov_Encrypt enciphers with AES-128; ov_Decrypt reads Base64 text  |
//| that was enciphered with Blowfish (as the service's tokens are). |
//| They are not inverses: deciphering ov_Encrypt's output does not  |
//| give the text back.                                              |
//+------------------------------------------------------------------+
#property strict
#property show_inputs
#include <Ovilex.mqh>

input string Text = "meet at 10";
// The token below deciphers to "session 4711 for trader". (A comment after an input on its
// line would replace the input's name in the Inputs tab.)
input string Base64Token = "9fKjn/spoHsEtRLa4Chg1saBuMeJHi7K";

void OnStart()
  {
   string enciphered = OvEncrypt(Text);
   Print("ov_Encrypt gave ", StringLen(enciphered), " characters");
   Print("ov_Decrypt of the token: ", OvDecrypt(Base64Token));
   Print("ov_Decrypt of ov_Encrypt's output: ", StringLen(OvDecrypt(enciphered)),
         " characters, not the text");
  }
//+------------------------------------------------------------------+
