#pragma once
// What the user is designing, held once: every window, the chart and the
// page observe it.
