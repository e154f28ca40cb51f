//+------------------------------------------------------------------+
//| Ovilex.mqh: the imports of Ovilex.dll and helpers around them.   |
//| For MQL4 build 600 and later, whose string holds UTF-16.         |
//| Ovilex.dll belongs in experts\libraries\; allow DLL imports.     |
//+------------------------------------------------------------------+
#property strict

// Every export is stdcall and takes 32-bit arguments only. Texts of the 8-bit exports are
// zero-terminated uchar arrays in the ANSI code page (StringToCharArray makes them); their
// output buffers must hold count + 1 bytes. The W exports take and fill UTF-16 texts; their
// output buffers (ushort arrays) must hold count + 1 units.
#import "Ovilex.dll"
// Requests: create, poll until complete, read the outcome, release.
int  ov_initProxySettings(uchar &server[], int port, uchar &username[], uchar &password[]);
int  ov_setCertificateCheck(int enabled);
int  ov_createAsynchRequest(uchar &url[], int connectTimeout, int readTimeout);
void ov_destroyAsynchRequest(int id);
int  ov_isAsynchRequestComplete(int id);
int  ov_isAsynchRequestError(int id);
int  ov_getErrorCode(int id);
int  ov_getErrorDescription(int id, uchar &buffer[], int offset, int count);
int  ov_getAsynchResponse(int id, uchar &buffer[], int offset, int count);
// The same in UTF-16, the reply decoded by its charset, and the reply's bytes as received.
int  ov_initProxySettingsW(string server, int port, string username, string password);
int  ov_createAsynchRequestW(string url, int connectTimeout, int readTimeout);
int  ov_getErrorDescriptionW(int id, ushort &buffer[], int offset, int count);
int  ov_getAsynchResponseW(int id, ushort &buffer[], int offset, int count);
int  ov_getResponseLength(int id);
int  ov_getResponseBytes(int id, uchar &buffer[], int offset, int count);
// Login: blocks for up to about ten seconds. messageOut must hold 1024 units, codeOut 2.
int  authenticateUser(string username, string password, string url, string &messageOut,
                      string &codeOut);
// Ciphers under the key compiled into the library; both empty `text`.
int  ov_Encrypt(uchar &text[], uchar &output[], int size);
int  ov_Decrypt(uchar &text[], uchar &output[], int size);
// Synthetic ticks for a chart window, and flashing a window's caption once.
void ov_startTickGeneration(int window);
void ov_stopTickGeneration(int window);
int  ov_FlashWindow(int window);
#import

#define OV_NO_REQUEST    -1   // ov_createAsynchRequest failed; also "no error" for codes
#define OV_PIECE         4096 // units read per call by the helpers below
#define OV_LOGIN_MESSAGE 1024 // units authenticateUser may write into messageOut

//+------------------------------------------------------------------+
//| Starts a GET of `url` and returns its id at once, or -1.         |
//| Time-outs in milliseconds; 0 or below means 60000.               |
//+------------------------------------------------------------------+
int OvRequest(string url, int connectTimeout = 10000, int readTimeout = 30000)
  {
   return ov_createAsynchRequestW(url, connectTimeout, readTimeout);
  }

//+------------------------------------------------------------------+
//| Sets the proxy for requests created afterwards; "" switches it   |
//| off. Returns false when the library failed.                      |
//+------------------------------------------------------------------+
bool OvSetProxy(string server, int port, string username = "", string password = "")
  {
   return ov_initProxySettingsW(server, port, username, password) == 1;
  }

//+------------------------------------------------------------------+
//| True once the exchange of `id` has ended (either way).           |
//+------------------------------------------------------------------+
bool OvIsComplete(int id)
  {
   return ov_isAsynchRequestComplete(id) == 1;
  }

//+------------------------------------------------------------------+
//| The whole reply (or error text) of a complete request, read in   |
//| pieces until a piece comes back short.                           |
//+------------------------------------------------------------------+
string OvReadAll(int id, bool errorText)
  {
   ushort piece[];
   ArrayResize(piece, OV_PIECE + 1);
   string text = "";
   int offset = 0;
   int read = OV_PIECE;
   while(read == OV_PIECE)
     {
      read = errorText ? ov_getErrorDescriptionW(id, piece, offset, OV_PIECE)
                       : ov_getAsynchResponseW(id, piece, offset, OV_PIECE);
      if(read > 0)
         text = text + ShortArrayToString(piece, 0, read);
      offset += read;
     }
   return text;
  }

string OvResponse(int id) { return OvReadAll(id, false); }
string OvErrorText(int id) { return OvReadAll(id, true); }

//+------------------------------------------------------------------+
//| Logs the user in. True: `message` holds the encrypted token.     |
//| False: `message` holds the reason. Blocks for up to ~10 s.       |
//+------------------------------------------------------------------+
bool OvLogin(string username, string password, string url, string &message)
  {
   string code;
   StringInit(message, OV_LOGIN_MESSAGE, ' ');
   StringInit(code, 2, ' ');
   int result = authenticateUser(username, password, url, message, code);
   // The library wrote a zero-terminated text into the buffer: keep what precedes the zero.
   ushort units[];
   StringToShortArray(message, units);
   message = ShortArrayToString(units);
   return result == 0;
  }

//+------------------------------------------------------------------+
//| Runs one of the two ciphers on a copy of `text` (they empty it). |
//+------------------------------------------------------------------+
string OvCipher(bool encrypt, string text)
  {
   uchar source[], output[];
   StringToCharArray(text, source);
   ArrayResize(output, 4096);
   ArrayFill(output, 0, ArraySize(output), 0);
   int failed = encrypt ? ov_Encrypt(source, output, ArraySize(output))
                        : ov_Decrypt(source, output, ArraySize(output));
   if(failed != 0)
      return "";
   return CharArrayToString(output);
  }

//+------------------------------------------------------------------+
//| ov_Encrypt: AES-128 under the library's key, as ANSI text.       |
//+------------------------------------------------------------------+
string OvEncrypt(string text) { return OvCipher(true, text); }

//+------------------------------------------------------------------+
//| ov_Decrypt: Base64, then Blowfish under the library's key. It is |
//| no inverse of OvEncrypt: it reads what the service enciphered.   |
//+------------------------------------------------------------------+
string OvDecrypt(string base64) { return OvCipher(false, base64); }
//+------------------------------------------------------------------+
