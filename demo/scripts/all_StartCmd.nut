// Start-up commands, run once before the game script: the globals the game
// loop reads and the shared helpers.
::gFrame <- 0;
::gPrintEvery <- 60;

SQ_Include("demo_util.nut");
DemoLog("all_StartCmd: ready");
