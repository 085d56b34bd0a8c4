#!/bin/bash
# Every portable source must also compile with clang++ 14 (the fuzz build).
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0
count=0
while IFS= read -r file; do
  count=$((count+1))
  clang++-14 -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I. "$file" || failed=1
done < <(find common service drives update app cli -name '*.cpp' -not -path '*/win/*' | sort)
echo "clang++ compile check: $count files"
exit $failed
