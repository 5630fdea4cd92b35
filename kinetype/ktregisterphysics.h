// Registration of the stored classes of the physics and collision behaviours (gravity, drag, cruise,
// stay in window, springs, the collision detector with its edge records, and the three collision
// responses). KTRegisterClasses() calls it; calling it again is harmless.
#pragma once

void KTRegisterPhysicsClasses();
