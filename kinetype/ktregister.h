// Registration of the library's stored classes with the class registry, so that documents can name
// them. main() and every test main call KTRegisterClasses() once before anything is loaded; calling it
// again is harmless.
#pragma once

void KTRegisterClasses();
