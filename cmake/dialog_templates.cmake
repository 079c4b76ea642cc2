# The simulated Windows' dialog templates, written from the resource script
# at build time into OUT (a .cpp defining sim::AllDialogTemplates()), so that
# a control changes in installer.rc alone.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(generate_dialog_templates out)
  set(script ${PROJECT_SOURCE_DIR}/src/platform/sim/generate_templates.py)
  set(rc ${PROJECT_SOURCE_DIR}/src/resources/installer.rc)
  set(ids ${PROJECT_SOURCE_DIR}/src/resources/resource.h)
  add_custom_command(OUTPUT ${out}
    COMMAND Python3::Interpreter ${script} ${rc} ${ids} ${out}
    DEPENDS ${script} ${rc} ${ids}
    COMMENT "Writing the simulated dialog templates from installer.rc"
    VERBATIM)
endfunction()
