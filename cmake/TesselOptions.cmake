# Compiler settings shared by every target of the project. Installed, it
# carries only what a user of the headers needs: their folder and C++20; the
# warnings and the sanitizers stay with this build.
add_library(tessel_options INTERFACE)
set_target_properties(tessel_options PROPERTIES EXPORT_NAME options)
target_compile_features(tessel_options INTERFACE cxx_std_20)
target_compile_options(tessel_options INTERFACE "$<BUILD_INTERFACE:-Wall;-Wextra>")
target_include_directories(tessel_options INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                                     $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tessel>)
if(TESSEL_WERROR)
  target_compile_options(tessel_options INTERFACE $<BUILD_INTERFACE:-Werror>)
endif()
if(TESSEL_SANITIZE)
  # GCC's flow analysis misreads the sanitizers' instrumentation and warns of
  # uninitialised values in the standard library (std::regex, std::function).
  set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all)
  target_compile_options(tessel_options INTERFACE
    "$<BUILD_INTERFACE:${sanitize};-fno-omit-frame-pointer;-Wno-maybe-uninitialized>")
  target_link_options(tessel_options INTERFACE "$<BUILD_INTERFACE:${sanitize}>")
endif()

# Shared libraries keep the compiler's default visibility, every symbol
# exported as the static ones offer it (the headers carry no export marks),
# and the installed tools find the installed libraries beside them.
if(BUILD_SHARED_LIBS)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
