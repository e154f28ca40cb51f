//+------------------------------------------------------------------+
//| OvilexTicks.mq4: synthetic ticks for this chart every 5 seconds, |
//| so that experts on a quiet market still run. Stopped when the    |
//| expert is removed; each start needs its own stop.                |
//+------------------------------------------------------------------+
#property strict
#include <Ovilex.mqh>

int chartWindow = 0;

int OnInit()
  {
   chartWindow = WindowHandle(Symbol(), Period());
   if(chartWindow == 0)
      return INIT_FAILED;
   ov_startTickGeneration(chartWindow);
   ov_FlashWindow(chartWindow); // a glance that the generator runs
   return INIT_SUCCEEDED;
  }

void OnDeinit(const int reason)
  {
   ov_stopTickGeneration(chartWindow); // stops the newest generator of this window
  }

void OnTick()
  {
   Comment("last tick ", TimeToString(TimeLocal(), TIME_SECONDS));
  }
//+------------------------------------------------------------------+
