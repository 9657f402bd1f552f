"""Reads the sample's JSON report with Python's json and checks its facts."""
import json, sys

doc = json.load(sys.stdin)
assert doc["version"] == 1
if sys.argv[1:] == ["filtered"]:   # /find:S-1-5-32-545 /access:*S-1-5-32-545
    assert doc["filter"] == {"kind": "find", "account": "S-1-5-32-545", "sid": "S-1-5-32-545"}, doc["filter"]
    access = doc["groups"][0]["effectiveAccess"]
    assert access == {"account": "*S-1-5-32-545", "sid": "S-1-5-32-545", "mask": "0x001200a9",
                      "rights": "Read & Execute", "computedBy": "localGroupsOnly", "how": "(local groups only)",
                      "entriesNotEvaluated": []}, access
else:
    assert doc["filter"] is None and "effectiveAccess" not in doc["groups"][0]
group, = doc["groups"]
assert group["paths"] == ["C:\\b\\te\x01 \ud800 \u00e9\U0001F600"], group["paths"]
assert group["sddl"] == ("O:S-1-5-32-544D:P(D;OICI;0x10000;;;S-1-1-0)(A;ID;0x1200a9;;;S-1-5-32-545)"
                         "(A;;0x1;;;S-1-0x010000000000-5)S:(AU;SA;0x1f01ff;;;S-1-1-0)(ML;;0x1;;;S-1-16-12288)"), group["sddl"]
assert group["owner"]["sid"] == "S-1-5-32-544" and group["owner"]["account"] == "BUILTIN\\Administrators"
dacl = group["dacl"]
assert dacl["protected"] and not dacl["autoInherited"]
assert [(a["type"], a["sid"], a["mask"], a["inherited"]) for a in dacl["aces"]] == [
    ("deny", "S-1-1-0", "0x00010000", False), ("allow", "S-1-5-32-545", "0x001200a9", True),
    ("allow", "S-1-0x010000000000-5", "0x00000001", False)], dacl["aces"]
assert dacl["aces"][1]["text"].startswith("Allow(inherit) : BUILTIN\\Users"), dacl["aces"][1]
assert group["sacl"]["aces"][0]["type"] == "audit" and group["label"]["sid"] == "S-1-16-12288"
assert doc["unreadable"] == [
    {"path": "C:\\missing", "error": "unknown attributes; unknown ownership; unknown permissions"},
    {"path": "C:\\x*\"q\x1f", "error": "unknown name"}], doc["unreadable"]
print("JSON report parsed; SDDL, SIDs, unreadable paths, filter and access as crafted")
