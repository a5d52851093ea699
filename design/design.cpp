#include "design.h"
