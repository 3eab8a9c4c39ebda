// The page's labels in Japanese and English. The report lines are the core's
// own and stay as the window prints them.
export const labels = {
  ja: {
    switch: 'English',
    intro: 'Palm OS の .prc ファイルのビットマップを圧縮して、小さなファイルにします。',
    drop: 'ここに .prc ファイルかフォルダーをドロップしてください。',
    pick: 'ファイルを選ぶ…',
    pickFolder: 'フォルダーを選ぶ…',
    thorough: '徹底モード',
    modes: 'オン：すべてのビットマップとアイコンを Palm OS 自身が書く形式（ScanLine、RLE、PackBits）で圧縮します。オフ：「Tbmp」の非圧縮ビットマップだけを RLE で圧縮します（ウィンドウの通常の変換）。',
    privacy: 'ファイルはこのブラウザーの中だけで処理され、どこにも送られません。',
    all: 'すべてを zip でダウンロード',
    progress: (done, total) => `${total} 件中 ${done} 件を処理しました`,
    progressDone: (total) => `${total} 件を処理しました`,
    waiting: '待機中',
    status: { written: '作成しました', 'no-effect': '効果なし', refused: '受け付けませんでした', failed: '失敗しました' },
    download: (name) => `${name} をダウンロード`,
    details: (changed, left) => `詳細：変更 ${changed} 件、そのまま ${left} 件`,
    leftAlone: (n) => `そのままのビットマップ（${n} 件）`,
    before: '前',
    after: '後',
    bytes: 'バイト',
    depth: (bits) => `${bits} ビット`,
    noPicture: '表示できません',
  },
  en: {
    switch: '日本語',
    intro: 'Makes Palm OS .prc files smaller by compressing their bitmaps.',
    drop: 'Drop .prc files or a folder anywhere on this page.',
    pick: 'Choose files…',
    pickFolder: 'Choose a folder…',
    thorough: 'Thorough mode',
    modes: 'On: compresses every bitmap and icon in the forms Palm OS itself writes (ScanLine, RLE, PackBits). Off: run-length compresses only the uncompressed bitmaps of "Tbmp" resources (the window\'s usual conversion).',
    privacy: 'Your files are processed inside this browser only and are sent nowhere.',
    all: 'Download all as .zip',
    progress: (done, total) => `${done} of ${total} files done`,
    progressDone: (total) => `${total} files done`,
    waiting: 'waiting',
    status: { written: 'written', 'no-effect': 'no effect', refused: 'refused', failed: 'failed' },
    download: (name) => `Download ${name}`,
    details: (changed, left) => `Details: ${changed} changed, ${left} left alone`,
    leftAlone: (n) => `Bitmaps left alone (${n})`,
    before: 'before',
    after: 'after',
    bytes: 'bytes',
    depth: (bits) => `${bits}-bit`,
    noPicture: 'cannot be shown',
  },
};

export function browserLanguage() {
  const wanted = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || 'en'];
  for (const tag of wanted) {
    const primary = String(tag).toLowerCase().split('-')[0];
    if (primary in labels) return primary;
  }
  return 'en';
}
