//+------------------------------------------------------------------+
//| Symwatch.mqh: the import of Symwatch.dll and a helper.           |
//| For MQL4 build 600 and later. Symwatch.dll and Profixer.exe      |
//| belong in experts\libraries\; allow DLL imports.                 |
//+------------------------------------------------------------------+
#property strict

#import "Symwatch.dll"
// Starts the watch once per terminal process; later calls do nothing. Both texts are
// zero-terminated uchar arrays in the ANSI code page.
void StartAccountTypeWatch(uchar &folder[], uchar &suffix[]);
#import

//+------------------------------------------------------------------+
//| Watches the terminal in `folder` for a change of account type,   |
//| whose charts expect symbols ending in `suffix` ("m", "" ...).     |
//+------------------------------------------------------------------+
void SwStartWatch(string folder, string suffix)
  {
   uchar folderText[], suffixText[];
   StringToCharArray(folder, folderText);
   StringToCharArray(suffix, suffixText);
   StartAccountTypeWatch(folderText, suffixText);
  }

//+------------------------------------------------------------------+
//| The suffix of a symbol: what follows its six-letter instrument.  |
//+------------------------------------------------------------------+
string SwSymbolSuffix(string symbol)
  {
   return StringLen(symbol) > 6 ? StringSubstr(symbol, 6) : "";
  }
//+------------------------------------------------------------------+
