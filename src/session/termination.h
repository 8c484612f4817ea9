// The request that ends the program, which any window may make and the program start reads.
#pragma once

#include <functional>

// Ends the program: the message loop stops as soon as it runs (at once when it runs already).
// The request is kept for the whole process, so that the start-up, which creates the windows one
// after the other, stops creating them once any of them has asked for the end.
void TerminateApplication();
bool ApplicationTerminationRequested();
// Tests: forget an earlier request, and replace what a request does (an empty function
// restores stopping the message loop).
void ResetApplicationTermination();
void SetTerminationHook(std::function<void()> hook);
