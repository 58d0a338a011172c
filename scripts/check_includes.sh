#!/usr/bin/env bash
# Checks that dependencies run one way: plug-in -> contract <- host.
#
#   contract/                      includes only contract/ (and the system's headers)
#   host/                          includes nothing of plugin/, shell/, options/, export/
#   plugin/, shell/, options/, export/
#                                  include nothing of host/
#   plugin/                        the plug-in's top (entry points): it may include
#                                  options/ and shell/; nothing below includes it
#   export/                        includes nothing of options/ (the run state is its own),
#                                  and no two of its files include each other in a loop
#
# Prints every include that breaks a rule and exits 1 when there is one.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"

broken=0
rule() { # rule FOLDER PATTERN WHY
    local folder=$1 pattern=$2 why=$3 hits
    hits=$(grep -rnE --include='*.h' --include='*.cpp' --include='*.S' --include='*.in' \
        "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($pattern)" "$folder" 2>/dev/null)
    if [[ -n $hits ]]; then
        echo "$why:"
        echo "$hits" | sed 's/^/  /'
        broken=1
    fi
}

rule contract '(shell|options|export|host)/|\.\./' "contract/ includes something outside contract/"
rule host '(\.\./)*(plugin|shell|options|export)/' "host/ includes the plug-in"
for plugin in plugin shell options export; do
    rule "$plugin" '(\.\./)*host/' "$plugin/ includes the host"
done
rule export '(\.\./)*options/' "export/ includes options/"
for below in shell options export; do
    rule "$below" '(\.\./)*plugin/' "$below/ includes the plug-in's top (plugin/)"
done

# export/ is a tree: no two of its files include each other in a loop.  A
# file and its header are one unit (document_records.cpp with .h), and each
# header declares only what its own file defines, so a call from one unit
# into another is an include too: a loop of calls shows as a loop here.
export_units=$(grep -rHoE --include='*.h' --include='*.cpp' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*"export/[^"]+\.h"' export 2>/dev/null |
    sed -E 's#^export/([^.:]+)\.[a-z]+:.*"export/([^"]+)\.h"#\1 \2#' | awk '$1 != $2')
if ! loop=$(echo "$export_units" | tsort 2>&1 >/dev/null) || [[ -n $loop ]]; then
    echo "export/ includes in a loop:"
    echo "$loop" | grep -v '^tsort: -: input contains a loop:$' | sed 's/^tsort: /  /' | sort -u
    broken=1
fi

# A relative include could hide a crossing: every project include is written
# from the root of the tree ("contract/host_api.h"), except a folder's own
# header beside its source.
rule contract '[^/"]+"' "contract/ includes by a bare name (write contract/...)"

if ((broken)); then
    echo "include direction: broken"
    exit 1
fi
echo "include direction: plug-in -> contract <- host holds"
