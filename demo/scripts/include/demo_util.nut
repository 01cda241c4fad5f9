// Helpers shared by the demo's scripts; read through SQ_Include, once.
::gIncludeRuns <- ("gIncludeRuns" in getroottable()) ? ::gIncludeRuns + 1 : 1;

function DemoLog(text) {
    print(text + "\n");
}
