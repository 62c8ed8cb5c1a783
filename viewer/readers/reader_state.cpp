// The readers' shared working record.
#include "reader_state.h"

ReaderState g_readerState;
