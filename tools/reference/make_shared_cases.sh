#!/usr/bin/env bash
# Expected outputs for the real networks under ../shared/data, computed by the
# reference implementation, into tests/e2e/shared_cases/<case>/ (args, net,
# stdout, res.txt). The data stay where they are; the test that uses these
# cases skips when the folder is absent. Takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
shared=${SHARED_DATA:-$root/../shared/data}
out=$root/tests/e2e/shared_cases
reference=$root/tools/reference/gaussnet_ref.py

# name | data set folder | data file | cases | variables | true_net | alpha | exact
cases="
ecoli70_scored|ecoli70|data_1000.txt|1000|46|1|0.05|0
ecoli70_matrix_exact|ecoli70|data_1000.txt|1000|46|0|0.05|1
magic_niab_scored_exact|magic-niab|data_1000.txt|1000|44|1|0.05|1
magic_irri_matrix|magic-irri|data_1000.txt|1000|64|0|0.01|0
arth150_scored|arth150|data_1000.txt|1000|107|1|0.05|0
sachs_scored|sachs|data_7466.txt|7466|11|1|0.05|0
sachs_log_matrix_exact|sachs|data_logxplus10_7466.txt|7466|11|0|0.05|1
"

for line in $cases; do
    IFS='|' read -r name folder file n_cases n_vars true_net alpha exact <<<"$line"
    dir=$out/$name
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "$folder/$file $n_cases $n_vars $true_net $alpha $exact" > "$dir/args"
    echo "$folder" > "$dir/net"
    scratch=$(mktemp -d)
    cp "$shared/$folder/net.txt" "$scratch/net.txt"
    (cd "$scratch" && python3 "$reference" "$shared/$folder/$file" "$n_cases" "$n_vars" "$true_net" "$alpha" "$exact" \
        > "$dir/stdout" 2> /dev/null)
    cp "$scratch/res.txt" "$dir/res.txt"
    rm -rf "$scratch"
    echo "$name done"
done
