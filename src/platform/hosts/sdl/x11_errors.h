#pragma once
// What the desktop host does about X errors that SDL itself causes.

namespace platform::sdl {

// SDL wakes a wait for events by sending an event to one of its windows over a second
// connection to the X server. When the program destroys that window on the first
// connection, the server may see the destruction first, and the send then fails with
// BadWindow; Xlib's default handler would end the program with status 1 for it. Such
// errors are dropped (the window is gone, nothing is lost); every other error goes to the
// handler that was there before. Call before SDL's video starts: SDL chains its own
// handler to the one it finds and puts that one back when it shuts down, just before it
// closes the connection where such an error is still waiting to be read.
void DropErrorsOfEventsSentToDestroyedWindows();

}  // namespace platform::sdl
