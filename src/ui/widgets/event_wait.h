#pragma once

// Waits `ms` milliseconds in a local event loop, so the windows stay live
// while a child process runs. False once the application is quitting: the
// caller then stops what it waits for.
bool WaitWithEvents(int ms);
