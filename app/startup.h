#pragma once

// What the process settles before the application object exists: how the
// widgets and the help viewer's web engine are drawn.
void prepareApplication();
