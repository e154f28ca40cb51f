//+------------------------------------------------------------------+
//| SymwatchAccountWatch.mq4: restarts the terminal with charts for  |
//| the new symbols when the account type changes. Attach it to one  |
//| chart; the watch runs until the terminal ends, even after this   |
//| expert is removed, and asks before it restarts anything.         |
//+------------------------------------------------------------------+
#property strict
#include <Symwatch.mqh>

int OnInit()
  {
   // The charts were made for this chart's suffix; the folder holds history\, profiles\,
   // experts\ and terminal.exe.
   SwStartWatch(TerminalPath(), SwSymbolSuffix(Symbol()));
   return INIT_SUCCEEDED;
  }

void OnTick() {}
//+------------------------------------------------------------------+
