//+------------------------------------------------------------------+
//| OvilexFetch.mq4: fetches a page without blocking the chart.      |
//| The request runs on its own thread; the timer polls it once a    |
//| second, reads the outcome and releases the id.                   |
//+------------------------------------------------------------------+
#property strict
#include <Ovilex.mqh>

input string Url = "https://example.com/";

int request = OV_NO_REQUEST;

int OnInit()
  {
   request = OvRequest(Url);
   if(request == OV_NO_REQUEST)
     {
      Print("Ovilex could not create the request");
      return INIT_FAILED;
     }
   if(!EventSetTimer(1))
     {
      Print("no timer for polling the request");
      return INIT_FAILED; // OnDeinit releases the request
     }
   return INIT_SUCCEEDED;
  }

void OnTimer()
  {
   if(request == OV_NO_REQUEST || !OvIsComplete(request))
      return;
   int code = ov_getErrorCode(request);
   if(code == -1)
      Print("reply: ", OvResponse(request));
   else if(code > 0)
      Print("the server answered with status ", code, ": ", OvErrorText(request));
   else
      Print("no answer: ", OvErrorText(request));
   ov_destroyAsynchRequest(request);
   request = OV_NO_REQUEST;
   EventKillTimer();
  }

void OnDeinit(const int reason)
  {
   EventKillTimer();
   if(request != OV_NO_REQUEST)
      ov_destroyAsynchRequest(request); // allowed before completion: released when it ends
  }

void OnTick() {}
//+------------------------------------------------------------------+
