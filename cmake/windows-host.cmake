# The Windows side beyond the driver image, included by the top-level
# CMakeLists.txt for the MinGW build after tvboard-sys.cmake and tools/.
