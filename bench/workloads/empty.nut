// The empty frame: SQUpdate does nothing, so the frame is the engine's own
// work (clears, composition, the window copy).
function SQUpdate() {
}
