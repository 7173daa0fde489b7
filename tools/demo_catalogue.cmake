# Publishes the demo catalogue and applies it to the staged installation.
# Called by the build with PUBLISH (the publisher), STAGE (the installation),
# BUILD (the build folder) and INDEX (a Debian Packages index).
set(keys ${BUILD}/demo-keys)
set(mirror ${BUILD}/mirror)
# Three weeks of entries ending on the demo's last day; the last two days are
# left on the mirror for an update run to fetch.
set(last_day 20261207)
set(through 20261205)
set(start_after 20261116)

if(NOT EXISTS ${keys}/veltod.sec)
  file(MAKE_DIRECTORY ${keys})
  execute_process(COMMAND ${PUBLISH} keygen ${keys}/veltod.pub ${keys}/veltod.sec COMMAND_ERROR_IS_FATAL ANY)
endif()
file(COPY_FILE ${keys}/veltod.pub ${STAGE}/bin/veltod.pub)

# A catalogue applied by an earlier build goes first; the skin stays.
file(GLOB old_lists ${STAGE}/Resources/*.1cat ${STAGE}/Resources/*.2cat ${STAGE}/Resources/*.3cat
     ${STAGE}/Resources/*.cat ${STAGE}/Resources/today.* ${STAGE}/Resources/S0100000.*
     ${STAGE}/Resources/script.jnl ${STAGE}/Recibi/*.exe)
foreach(file ${old_lists})
  get_filename_component(name ${file} NAME)
  if(NOT name MATCHES "^0\\.[123]?cat$" AND NOT name STREQUAL "Remember.cat")
    file(REMOVE ${file})
  endif()
endforeach()
file(REMOVE_RECURSE ${mirror})

# The demo's days are fixed while its mirror answers with today's date, so
# its lists are made good far beyond any day the demo is run on.
execute_process(COMMAND ${PUBLISH} debian --packages ${INDEX} --out ${mirror} --key ${keys}/veltod.sec
                        --last-day ${last_day} --days 21 --limit 8000 --mirror http://127.0.0.1:8478/
                        --valid-until 20991231
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${PUBLISH} install --mirror ${mirror} --installation ${STAGE}
                        --through ${through} --start-after ${start_after}
                COMMAND_ERROR_IS_FATAL ANY)
