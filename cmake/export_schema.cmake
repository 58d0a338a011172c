# The schema of the export format compiled into the host (tomiva verify),
# made from its one copy in docs/; a change to the schema configures the
# build again.  Sets EXPORT_SCHEMA_SOURCE to the generated source file.
set(EXPORT_SCHEMA ${PROJECT_SOURCE_DIR}/docs/export-file.xsd)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${EXPORT_SCHEMA})
file(READ ${EXPORT_SCHEMA} EXPORT_SCHEMA_XSD)
if(EXPORT_SCHEMA_XSD MATCHES "\\)xsd\"")
  message(FATAL_ERROR "${EXPORT_SCHEMA} holds )xsd\", which ends the string it is compiled into")
endif()
set(EXPORT_SCHEMA_SOURCE ${CMAKE_BINARY_DIR}/host/verify/export_schema.cpp)
configure_file(${PROJECT_SOURCE_DIR}/host/verify/export_schema.cpp.in ${EXPORT_SCHEMA_SOURCE} @ONLY)
