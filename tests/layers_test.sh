#!/usr/bin/env bash
# The folders' layering, checked on the includes: the front ends (the
# desktop windows, the batch runner, the render service, the web and Python
# editions) reach the device only through the session; the animations (anim/)
# lie below the front ends and above the session; host/files sits above the seam
# implementations and below the session; nothing includes upwards. Tools
# that read the stored label record may include its header.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}"
failed=0
breach() { echo "layering: $1"; failed=1; }

# "FOLDER:PATTERN": a file under FOLDER must not include a header matching PATTERN.
rules=(
  'host/seam:"\(host/\(files\|session\|qt\)\|anim\)/'
  'host/files:"\(host/\(session\|qt\)\|anim\)/'
  'host/session:"\(host/qt\|anim\)/'
  'anim:"\(firmware\|host/qt\|batch\|web\|python\)/'
  'host/qt:"firmware/'
  'batch:"firmware/'
  'widgets:"\(firmware\|host\)/'
  'python:"firmware/'
  'web:"firmware/'
  'service:"\(firmware\|host/qt\)/'
)
for rule in "${rules[@]}"; do
  folder=${rule%%:*} pattern=${rule#*:}
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do breach "$hit"; done < <(grep -rn --include='*.h' --include='*.cpp' "#include $pattern" "$folder")
done
# In host/files only the label-record reader may see a firmware header.
while IFS= read -r hit; do breach "$hit"; done < <(grep -rn --include='*.h' --include='*.cpp' '#include "firmware/' host/files |
                                                   grep -v '^host/files/label_fields\.')
[ $failed -eq 0 ] && echo "layering: every include runs downwards"
exit $failed
