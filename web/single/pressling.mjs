// The single file's worker runs emscripten's classic loader before its own
// code; that loader defines the global createPressling.
export default self.createPressling;
