//+------------------------------------------------------------------+
//| OvilexTicks.mq4: synthetic ticks for this chart every 5 seconds, |
//| so that experts on a quiet market still run. Stopped when the    |
//| expert is removed; each start needs its own stop.                |
//+------------------------------------------------------------------+
#property strict
#include <Ovilex.mqh>

int chartWindow = 0;
bool captionInverted = false;

int OnInit()
  {
   chartWindow = WindowHandle(Symbol(), Period());
   if(chartWindow == 0)
      return INIT_FAILED;
   ov_startTickGeneration(chartWindow);
   return INIT_SUCCEEDED;
  }

void OnDeinit(const int reason)
  {
   ov_stopTickGeneration(chartWindow); // stops the newest generator of this window
   if(captionInverted)
      ov_FlashWindow(chartWindow); // each call inverts the caption: leave it as it was
  }

void OnTick()
  {
   Comment("last tick ", TimeToString(TimeLocal(), TIME_SECONDS));
   ov_FlashWindow(chartWindow); // the caption blinks with every tick
   captionInverted = !captionInverted;
  }
//+------------------------------------------------------------------+
