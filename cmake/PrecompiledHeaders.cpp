// The translation unit from which the build makes its precompiled headers (cmake/PrecompiledHeaders.cmake).
