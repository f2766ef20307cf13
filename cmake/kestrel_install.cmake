# What `cmake --install build/<flavour> --prefix P` puts where:
#   P/bin/xpspipe                        the pipeline host
#   P/lib/cups/filter/kestrel-xps        the CUPS filter (scripts/install-cups links it into CUPS's filter folder)
#   P/lib/kestrel/libkestrel_platform.so the platform library both programs load
#   P/lib/kestrel/driver/                the driver package: configurations, printer, tickets, filters, converters
#   P/share/ppd/kestrel/kestrel-inkjet-mfp.ppd
#   P/share/cups/mime/kestrel-xps.types, .convs  the MIME types of both XPS flavours, their filter
# Both programs find the driver package from where they are (BundledDriver).
install(TARGETS kestrel_platform LIBRARY DESTINATION lib/kestrel)
install(TARGETS xpspipe RUNTIME DESTINATION bin)
set_target_properties(xpspipe PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/kestrel")
# The package is laid out in the build folder of driver/: CMake's own files stay behind.
install(DIRECTORY "${CMAKE_BINARY_DIR}/driver/" DESTINATION lib/kestrel/driver USE_SOURCE_PERMISSIONS
  PATTERN "CMakeFiles" EXCLUDE PATTERN "Makefile" EXCLUDE PATTERN "*.cmake" EXCLUDE PATTERN "*.a" EXCLUDE)
if(TARGET kestrel-xps)
  install(TARGETS kestrel-xps RUNTIME DESTINATION lib/cups/filter)
  set_target_properties(kestrel-xps PROPERTIES INSTALL_RPATH "$ORIGIN/../../kestrel")
  install(FILES "${CMAKE_BINARY_DIR}/kestrel-inkjet-mfp.ppd" DESTINATION share/ppd/kestrel)
  install(FILES "${CMAKE_SOURCE_DIR}/host/cups_filter/kestrel-xps.types"
                "${CMAKE_SOURCE_DIR}/host/cups_filter/kestrel-xps.convs" DESTINATION share/cups/mime)
endif()
