#!/usr/bin/python3
"""The Indexed Job manifest parses and splits the list exactly: N pods, each checking its own shard of N."""
import re
import sys

import yaml

with open(sys.argv[1], encoding="utf-8") as f:
    documents = list(yaml.safe_load_all(f))
problems = []
if len(documents) != 1:
    sys.exit(f"expected one document, found {len(documents)}")
job = documents[0]
job_body = job.get("spec", {})
pod = job_body.get("template", {}).get("spec", {})
containers = pod.get("containers", [])
if (job.get("apiVersion"), job.get("kind")) != ("batch/v1", "Job"):
    problems.append("not a batch/v1 Job")
if job_body.get("completionMode") != "Indexed":
    problems.append("completionMode is not Indexed")
n = job_body.get("completions")
if not isinstance(n, int) or n < 1:
    problems.append("completions is not a positive number")
parallelism = job_body.get("parallelism", 1)
if not isinstance(parallelism, int) or not 1 <= parallelism <= n:
    problems.append("parallelism is not a number from 1 to completions")
if pod.get("restartPolicy") != "Never":
    problems.append("a failed pod would be restarted and check its shard twice")
if len(containers) != 1:
    problems.append("expected one container")
else:
    command = " ".join(containers[0].get("command", []) + containers[0].get("args", []))
    shard = re.search(r'--shard "?\$\(\(JOB_COMPLETION_INDEX \+ 1\)\)/(\d+)"?', command)
    if not shard or int(shard.group(1)) != n:
        problems.append(f"--shard does not name index + 1 of {n}: {command}")
    for option in ("quorvane-check", "--format json", "--quiet", "--judge"):
        if option not in command:
            problems.append(f"the command lacks {option}")
if problems:
    sys.exit("; ".join(problems))
