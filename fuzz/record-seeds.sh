#!/usr/bin/env bash
# Records the seed corpora of the service targets from the real reference service: every
# operation's reply as it arrived (HTTP header and body), its result text, and the requests.
#   bash fuzz/record-seeds.sh [build/bin/platform-service]
set -euo pipefail
cd "$(dirname "$0")/.."
SERVICE=${1:-build/bin/platform-service}
CORPUS=fuzz/corpus
WORK=$(mktemp -d)
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT

"$SERVICE" --port 0 --db "$WORK/platform.db" --data data >"$WORK/out" 2>&1 &
PID=$!
for _ in $(seq 50); do [ -s "$WORK/out" ] && break; sleep 0.1; done
BASE=$(head -n1 "$WORK/out")
DIGEST=$(printf '%s' 123456 | md5sum | cut -d' ' -f1)
DEVICE=FUZZSEED0001
mkdir -p "$CORPUS/service_reply" "$CORPUS/result_document" "$CORPUS/service_request"

# Index of each operation in fuzz/ServiceOperations.cpp: the selector byte of both targets.
OPERATIONS=(WsAutoLogin WsLogin WsUserInfo WsServerPoll WsOverallInfo WsMainInfo WsKeyword
            WsCorpusBriefByKwId WsCorpusInfoById WsUserComp WsCompInfo WsActivity WsActivityInfo
            WsCreateVerifyImage WsUpdateCorHits WsCompSaveOrEdit WsDeleteComp WsCompMatch
            WsRecentScore WsUserIdea WsUpdateKeyHits)
selector() { local i; for i in "${!OPERATIONS[@]}"; do [ "${OPERATIONS[$i]}" = "$1" ] && { printf "\\x$(printf %02x "$i")"; return; }; done; exit 1; }

envelope() {  # operation, then name=value pairs
  local op=$1; shift
  local body="" pair
  for pair in "$@"; do body+="<ns1:${pair%%=*}>${pair#*=}</ns1:${pair%%=*}>"; done
  printf '<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:ns1="%s"><SOAP-ENV:Body><ns1:%s>%s</ns1:%s></SOAP-ENV:Body></SOAP-ENV:Envelope>' "$BASE" "$op" "$body" "$op"
}

# Sends one operation, keeps the request, the reply as received and (for documents) its result.
record() {
  local name=$1 op=$2; shift 2
  local request="$WORK/request" reply="$WORK/reply"
  envelope "$op" "$@" >"$WORK/body"
  { printf 'POST /iface/api.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: %d\r\n\r\n' "$(stat -c %s "$WORK/body")"; cat "$WORK/body"; } >"$request"
  curl -s -i --raw -H 'Content-Type: application/soap+xml; charset=utf-8' --data-binary @"$WORK/body" "${BASE}iface/api.asmx" >"$reply"
  cp "$request" "$CORPUS/service_request/$name"
  { selector "$op"; cat "$reply"; } >"$CORPUS/service_reply/$name"
  local result
  result=$(sed -n "s:.*<ns1\:${op}Result>\(.*\)</ns1\:${op}Result>.*:\1:p" "$reply" | sed 's/&quot;/"/g; s/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g')
  if [ "${result:0:1}" = "{" ]; then
    { selector "$op"; printf '%s' "$result"; } >"$CORPUS/result_document/$name"
  fi
}

ID_CODE=("id=1" "code=$DEVICE")
record signin WsAutoLogin "u=xuesheng" "p=$DIGEST" "code=$DEVICE"
USER_ID=$(sed -n 's/.*&quot;ID&quot;:&quot;\([0-9]*\)&quot;.*/\1/p; s/.*"ID":"\([0-9]*\)".*/\1/p' "$WORK/reply" | head -n1)
ID_CODE=("id=$USER_ID" "code=$DEVICE")
record signin-wrong WsLogin "u=xuesheng" "p=00" "code=$DEVICE" "verifyCode=x"
record userinfo WsUserInfo "${ID_CODE[@]}"
record poll WsServerPoll "${ID_CODE[@]}"
record overall WsOverallInfo
record maininfo WsMainInfo
# Only the newest keywords: the whole list would make a seed of many kilobytes.
MAX_KEY=$(sed -n 's/.*"KeyWordMaxID":"\([0-9]*\)".*/\1/p' "$CORPUS/service_reply/overall")
record keywords WsKeyword "${ID_CODE[@]}" "keyId=$((MAX_KEY - 12))"
record briefs WsCorpusBriefByKwId "${ID_CODE[@]}" "kwId=1"
record detail WsCorpusInfoById "${ID_CODE[@]}" "corpusId=1"
record detail-missing WsCorpusInfoById "${ID_CODE[@]}" "corpusId=999999"
record save WsCompSaveOrEdit "${ID_CODE[@]}" "compId=0" "title=T" "content=a&#13;&#10;b" "compFromType=1" "compFromID=0"
ESSAY_ID=$(sed -n 's:.*<ns1\:WsCompSaveOrEditResult>\([0-9]*\)<.*:\1:p' "$WORK/reply")
record library WsUserComp "${ID_CODE[@]}" "pageSize=4000" "pageIndex=1" "sortWay=0" "title="
record essay WsCompInfo "${ID_CODE[@]}" "compId=$ESSAY_ID"
record activities WsActivity "${ID_CODE[@]}"
record activity1 WsActivityInfo "${ID_CODE[@]}" "activityId=1"
record activity2 WsActivityInfo "${ID_CODE[@]}" "activityId=2"
record verifyimage WsCreateVerifyImage "code=$DEVICE"
record like WsUpdateCorHits "${ID_CODE[@]}" "corId=1"
record delete WsDeleteComp "${ID_CODE[@]}" "delId=999998,999999"
record match WsCompMatch "${ID_CODE[@]}" "title=T" "content=c" "compFromID=1" "matchID=0" "type=1"
record score WsRecentScore "${ID_CODE[@]}" "compScore=90"
record idea WsUserIdea "${ID_CODE[@]}" "content=idea"
record keyhits WsUpdateKeyHits "${ID_CODE[@]}" "keyId=1"
record lapsed WsUserInfo "id=$USER_ID" "code=OTHERDEVICE"

# The web side: a page and the sharing gateway, as a browser asks for them.
printf 'GET /help.aspx HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >"$CORPUS/service_request/get-help"
printf 'GET /send/?webid=1&url=http%%3A%%2F%%2Fa%%2F&title=%%E4%%BA%%BA&summary=s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >"$CORPUS/service_request/get-send"
printf 'GET /user/info.aspx?no=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >"$CORPUS/service_request/get-info"
echo "recorded from $BASE"
