#pragma once

// OnNextModal and OnNextDialog live with the message recorder.
#include "support/ui/message_recorder.h"
