// Thread support for the processor-fault translator (InstallFaultTranslator is declared
// with the exceptions).
#pragma once

// Gives the calling thread its own alternate signal stack, so that a stack overflow on it
// can still be reported as a CPUException. InstallFaultTranslator does this for the
// thread that installs it; other threads that run guarded code call it when they start.
void InstallFaultStackForThread();
