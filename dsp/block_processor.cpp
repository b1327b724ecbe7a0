#include "block_processor.h"
